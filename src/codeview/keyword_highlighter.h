#pragma once
// Keeps the keywords of a document coloured while the user types: each changed
// line is coloured again on its own, which gives the same colours as colouring
// the whole text (words never span a line break). The colours are drawn over the
// text; they are not part of the document's character formats or its undo history.
#include <QSyntaxHighlighter>

namespace norvane {

class KeywordHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    explicit KeywordHighlighter(QTextDocument* document);

protected:
    void highlightBlock(const QString& text) override;
};

}  // namespace norvane
