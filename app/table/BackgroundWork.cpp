#include "app/table/BackgroundWork.h"

#include <QtConcurrent/QtConcurrentRun>

namespace kestrivane::background {

Launcher standardLauncher()
{
    return [](std::function<void()> work) { return QtConcurrent::run(std::move(work)); };
}

} // namespace kestrivane::background
