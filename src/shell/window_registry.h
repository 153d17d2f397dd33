#pragma once
// The windows and commands that other folders of the program offer the main window, by name.
// The program's top level fills one registry at start; the main window opens a child window
// or runs a command only when its entry is there, so the shell names no window folder.
#include <QString>

#include <functional>
#include <map>
#include <vector>

class QWidget;

namespace norvane {

class WindowRegistry {
public:
    using ChildFactory = std::function<QWidget*(QWidget* parent)>;
    using Command = std::function<void(QWidget* owner)>;
    using Action = std::function<void()>;

    // A child window type ("Tables", "Views", "SPs", "Functions", "Query", "Search", "Compare"):
    // the main window keeps one instance, created with this factory on first use.
    void addChild(const QString& typeName, ChildFactory create);
    // A modal command ("Reports", "Backup", "Restore"), run with the main window as owner.
    void addCommand(const QString& name, Command run);
    // Run after every successful connection, in the order added.
    void addAfterConnect(Action action);

    // The factory or command of that name, or nullptr when none was registered.
    const ChildFactory* child(const QString& typeName) const;
    const Command* command(const QString& name) const;

    void runAfterConnect() const;

private:
    std::map<QString, ChildFactory> children_;
    std::map<QString, Command> commands_;
    std::vector<Action> afterConnect_;
};

}  // namespace norvane
