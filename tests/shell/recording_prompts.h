#pragma once
// A prompt service for tests: records every request and answers from a queue.
//
//   RecordingPrompts::Installed recorder;          // installs it, restores the real dialogs after
//   recorder->answers.push_back({QMessageBox::Yes});
//   ... drive the window ...
//   ASSERT_EQ(recorder->requests.size(), 1u);
//   EXPECT_EQ(recorder->requests[0].text, "...");
#include "shell/prompts.h"

#include <deque>
#include <memory>
#include <vector>

namespace norvane::testing {

class RecordingPrompts : public Prompts {
public:
    std::vector<PromptRequest> requests;
    std::deque<PromptAnswer> answers; // used front first

    // With no queued answer: OK for a message, otherwise the cautious choice (Cancel, then No),
    // and no file chosen.
    PromptAnswer ask(QWidget*, const PromptRequest& request) override
    {
        requests.push_back(request);
        PromptAnswer answer;
        answer.filterIndex = request.filterIndex;
        if (!answers.empty()) {
            answer = answers.front();
            answers.pop_front();
        } else if (request.kind == PromptRequest::Kind::SaveFile || request.kind == PromptRequest::Kind::OpenFile ||
                   request.buttons.testFlag(QMessageBox::Cancel)) {
            answer.button = QMessageBox::Cancel;
        } else if (request.buttons.testFlag(QMessageBox::No)) {
            answer.button = QMessageBox::No;
        }
        return answer;
    }

    // Installs a recorder for the life of this object; the real dialogs come back after.
    class Installed {
    public:
        Installed() : recorder_(new RecordingPrompts) { setPrompts(std::unique_ptr<Prompts>(recorder_)); }
        ~Installed() { setPrompts(nullptr); }
        Installed(const Installed&) = delete;
        Installed& operator=(const Installed&) = delete;
        RecordingPrompts* operator->() const { return recorder_; }

    private:
        RecordingPrompts* recorder_; // owned by the prompt service while installed
    };
};

} // namespace norvane::testing
