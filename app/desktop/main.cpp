// tarsen [FILE.tsn]: the desktop program. With a file it opens that assembly; without one it
// asks for it in the open dialog.
#include "ui/frmmain.h"

#include <QApplication>
#include <QStringList>

#include <optional>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarsen"));
    QApplication::setApplicationVersion(QStringLiteral("0.1"));

    std::optional<QString> assembly;
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1)
        assembly = arguments.at(1);

    tarsen::frmMain window;
    window.show();
    window.Form_Load(assembly);
    return QApplication::exec();
}
