#pragma once

#include <QStringList>

namespace kestrivane {

// The program entry.
class KestrivaneApplication {
public:
    // Starts the application and returns when its event loop ends.
    static int main(int argc, char **argv);

    // The document files of the command line: every argument after the program name is a
    // path (the desktop passes files this way), made absolute without resolving links;
    // "file://" addresses are turned into paths.
    static QStringList documentPaths(const QStringList &arguments);

    // Identifies the program towards the desktop and names its settings file.
    static void setIdentity();

private:
    KestrivaneApplication() = delete;
};

} // namespace kestrivane
