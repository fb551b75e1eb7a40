// tarsen [FILE.tsn]: the desktop program. With a file it opens that assembly; without one it
// asks for it in the open dialog.
#include "common/keepmemory.h"
#include "common/parallel.h"
#include "ui/frmmain.h"

#include <QApplication>
#include <QSettings>
#include <QStringList>

#include <cstring>
#include <iostream>
#include <optional>

int main(int argc, char* argv[])
{
    tarsen::KeepFreedMemory();
    // Answered before the window system is reached, so that they work without a display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << "tarsen " TARSEN_VERSION "\n";
        return 0;
    }
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::cout << "Usage: tarsen [FILE.tsn]\n"
                     "Opens the assembly file in Tarsen's main window; without a file, asks for "
                     "one.\n"
                     "  -h, --help   print this help and exit\n"
                     "  --version    print the version and exit\n"
                     "The computation uses every core; the per-user setting Threads (a whole "
                     "number,\n"
                     "0 for every core) in the [General] group of ~/.config/Tarsen/Tarsen.conf "
                     "limits it.\n"
                     "Results do not depend on it.\n";
        return 0;
    }
    QApplication app(argc, argv);
    // The per-user settings (the recent assemblies) are filed under these names.
    QApplication::setOrganizationName(QStringLiteral("Tarsen"));
    QApplication::setApplicationName(QStringLiteral("Tarsen"));
    QApplication::setApplicationVersion(QStringLiteral(TARSEN_VERSION));

    // The threads of the computation: every core unless the user's settings limit them.
    const QSettings preferences(QStringLiteral("Tarsen"), QStringLiteral("Tarsen"));
    if (preferences.contains(QStringLiteral("Threads"))) {
        bool ok = false;
        const int threads = preferences.value(QStringLiteral("Threads")).toInt(&ok);
        if (ok && threads >= 0 && threads <= 256)
            tarsen::SetThreadCount(threads);
        else
            std::cerr << "tarsen: the setting Threads takes a whole number from 0 to 256; every "
                         "core is used\n";
    }

    std::optional<QString> assembly;
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1)
        assembly = arguments.at(1);

    tarsen::frmMain window;
    window.show();
    window.Form_Load(assembly);
    return QApplication::exec();
}
