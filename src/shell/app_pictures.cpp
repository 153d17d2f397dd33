#include "shell/app_pictures.h"

namespace norvane {

namespace {

struct OwnImage {
    const char* key;
    const char* file;
};

constexpr OwnImage kOwnImages[] = {
    {"UpArrow", "up-arrow"},         {"DownArrow", "down-arrow"}, {"Drive", "drive"},
    {"ClosedFolder", "closed-folder"}, {"OpenFolder", "open-folder"}, {"File", "file"},
    {"BakFile", "bak-file"},
};

constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

}  // namespace

QIcon applicationIcon()
{
    QIcon icon;
    for (int size : kIconSizes)
        icon.addFile(QStringLiteral(":/norvane/icons/norvane-%1.png").arg(size), QSize(size, size));
    return icon;
}

QIcon ownImage(const QString& key)
{
    for (const OwnImage& image : kOwnImages) {
        if (key == QLatin1String(image.key)) {
            QIcon icon;
            const QString base = QStringLiteral(":/norvane/images/%1").arg(QLatin1String(image.file));
            icon.addFile(base + QStringLiteral("-16.png"), QSize(16, 16));
            icon.addFile(base + QStringLiteral("-32.png"), QSize(32, 32));
            return icon;
        }
    }
    return {};
}

}  // namespace norvane
