// tarsen [FILE.tsn]: the desktop program. With a file it opens that assembly; without one it
// asks for it in the open dialog.
#include "ui/frmmain.h"

#include <QApplication>
#include <QStringList>

#include <cstring>
#include <iostream>
#include <optional>

int main(int argc, char* argv[])
{
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
                     "  --version    print the version and exit\n";
        return 0;
    }
    QApplication app(argc, argv);
    // The per-user settings (the recent assemblies) are filed under these names.
    QApplication::setOrganizationName(QStringLiteral("Tarsen"));
    QApplication::setApplicationName(QStringLiteral("Tarsen"));
    QApplication::setApplicationVersion(QStringLiteral(TARSEN_VERSION));

    std::optional<QString> assembly;
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1)
        assembly = arguments.at(1);

    tarsen::frmMain window;
    window.show();
    window.Form_Load(assembly);
    return QApplication::exec();
}
