#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

namespace kestrivane {

// The program entry.
class KestrivaneApplication {
public:
    // Starts the application and returns when its event loop ends.
    static int main(int argc, char **argv);

    // The document files of the command line, from the arguments' bytes as the program was
    // given them: every argument after the program name is a path (the desktop passes
    // files this way), made absolute without resolving links; "file://" addresses are
    // turned into paths. A name that is not valid in the file-name encoding cannot be held
    // as text without changing it, and the changed name may be another file's: such an
    // argument is refused and kept as it was given. A relative name is judged together with
    // the working folder it lies in, and refused when that folder cannot be read.
    struct CommandLineFiles {
        QStringList paths;
        QList<QByteArray> refused;
    };
    static CommandLineFiles documentPaths(const QList<QByteArray> &arguments);

    // Identifies the program towards the desktop and names its settings file.
    static void setIdentity();

private:
    KestrivaneApplication() = delete;
};

} // namespace kestrivane
