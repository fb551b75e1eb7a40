#include "ui/qtfrontend.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

namespace tarsen {

BusyCursor::BusyCursor() { SetBusyPointer(true); }

BusyCursor::~BusyCursor() { SetBusyPointer(false); }

void SetBusyPointer(bool on)
{
    if (on)
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    else
        QApplication::restoreOverrideCursor();
}

void QtFrontEnd::ShowMessage(std::string_view text)
{
    const QString message = ToQString(text);
    m_messages.push_back(message);
    if (MessageOverride) {
        MessageOverride(message);
        return;
    }
    // The box must be readable even while the busy pointer of a run is shown.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy)
        QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
    QMessageBox::information(m_owner, QString::fromLatin1(kMessageTitle), message);
    if (busy)
        QApplication::restoreOverrideCursor();
}

SaveChoice QtFrontEnd::AskSaveChanges(std::string_view text)
{
    const QString question = ToQString(text);
    if (SaveQuestionOverride)
        return SaveQuestionOverride(question);
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy)
        QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
    const QMessageBox::StandardButton answer = QMessageBox::warning(
        m_owner, QString::fromLatin1(kMessageTitle), question,
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (busy)
        QApplication::restoreOverrideCursor();
    switch (answer) {
    case QMessageBox::Save:
        return SaveChoice::Save;
    case QMessageBox::Discard:
        return SaveChoice::Discard;
    default:
        return SaveChoice::Cancel; // also a box closed by its title bar or Escape
    }
}

void QtFrontEnd::SetStatus(std::string_view text, StatusColour colour)
{
    if (StatusSink)
        StatusSink(text, colour);
}

void QtFrontEnd::PumpEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

QStringList NameFilters(const FileRequest& request)
{
    QStringList filters;
    for (const auto& [caption, pattern] : request.filters) {
        QString filter = ToQString(caption);
        // A caption that does not name its pattern gets it appended, as the dialog expects.
        if (!filter.contains(QLatin1Char('(')))
            filter += QStringLiteral(" (") + ToQString(pattern) + QLatin1Char(')');
        filters.push_back(filter);
    }
    return filters;
}

std::optional<std::string> QtFrontEnd::ChooseFile(const FileRequest& request)
{
    std::optional<QString> chosen;
    if (FileDialogOverride) {
        chosen = FileDialogOverride(request);
    } else {
        QFileDialog dialog(m_owner, ToQString(request.title), ToQString(request.folder));
        dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        const QStringList filters = NameFilters(request);
        if (!filters.isEmpty())
            dialog.setNameFilters(filters);
        if (!request.fileName.empty())
            dialog.selectFile(ToQString(request.fileName));
        if (!request.defaultSuffix.empty())
            dialog.setDefaultSuffix(ToQString(request.defaultSuffix));
        const bool busy = QApplication::overrideCursor() != nullptr;
        if (busy)
            QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
        const bool accepted = dialog.exec() == QDialog::Accepted;
        if (busy)
            QApplication::restoreOverrideCursor();
        if (accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().constFirst();
    }
    if (!chosen || chosen->isEmpty())
        return std::nullopt;
    // The model opens files by their local 8-bit names.
    return QFile::encodeName(*chosen).toStdString();
}

} // namespace tarsen
