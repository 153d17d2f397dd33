#include "shell/window_registry.h"

namespace norvane {

void WindowRegistry::addChild(const QString& typeName, ChildFactory create)
{
    children_[typeName] = std::move(create);
}

void WindowRegistry::addCommand(const QString& name, Command run)
{
    commands_[name] = std::move(run);
}

void WindowRegistry::addAfterConnect(Action action)
{
    afterConnect_.push_back(std::move(action));
}

const WindowRegistry::ChildFactory* WindowRegistry::child(const QString& typeName) const
{
    const auto found = children_.find(typeName);
    return found != children_.end() && found->second ? &found->second : nullptr;
}

const WindowRegistry::Command* WindowRegistry::command(const QString& name) const
{
    const auto found = commands_.find(name);
    return found != commands_.end() && found->second ? &found->second : nullptr;
}

void WindowRegistry::runAfterConnect() const
{
    for (const Action& action : afterConnect_) {
        if (action)
            action();
    }
}

}  // namespace norvane
