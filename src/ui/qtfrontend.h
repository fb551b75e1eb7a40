// The desktop program's front end: message boxes with an OK button, the status box, the event
// pump that lets Stop reach a running computation, and the system's file dialogs. Also the
// conversions between the toolkit's strings and the model's, and the busy pointer.
#pragma once

#include "common/frontend.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tarsen {

/// UTF-8 text of the model as a QString, and back.
inline QString ToQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string ToStdString(const QString& text) { return text.toStdString(); }

/// Title of the program's message boxes.
inline constexpr char kMessageTitle[] = "Tarsen";

/// The busy (hourglass) pointer for the life of the object, over the whole application.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

/// Turns the application's busy pointer on (true) or off (false); calls must pair.
void SetBusyPointer(bool on);

class QtFrontEnd final : public FrontEnd {
public:
    /// Boxes and dialogs are owned by owner (may be set later, may be null).
    explicit QtFrontEnd(QWidget* owner = nullptr) : m_owner(owner) {}

    void SetOwner(QWidget* owner) { m_owner = owner; }

    /// A modal box with the text and an OK button (or MessageOverride when set).
    void ShowMessage(std::string_view text) override;
    /// The status box's text: StatusSink receives it.
    void SetStatus(std::string_view text, StatusColour colour) override;
    /// Processes the pending window events once.
    void PumpEvents() override;
    /// The system's open or save dialog (or FileDialogOverride when set); nothing on cancel.
    std::optional<std::string> ChooseFile(const FileRequest& request) override;

    /// A box with Save, Discard and Cancel (or SaveQuestionOverride when set).
    SaveChoice AskSaveChanges(std::string_view text) override;

    /// Every message shown so far, oldest first.
    const QStringList& MessagesShown() const { return m_messages; }

    /// Receives the status text (with its line break and probe line) and its colour.
    std::function<void(std::string_view, StatusColour)> StatusSink;
    /// When set, messages go here instead of a modal box (tests and scripted runs).
    std::function<void(const QString&)> MessageOverride;
    /// When set, the question about unsaved changes is answered here instead of by a box.
    std::function<SaveChoice(const QString&)> SaveQuestionOverride;
    /// When set, file requests are answered here instead of by a dialog.
    std::function<std::optional<QString>(const FileRequest&)> FileDialogOverride;

private:
    QPointer<QWidget> m_owner;
    QStringList m_messages;
};

/// The name filters of a request in the toolkit's form: "Caption (*.ext)" per filter.
QStringList NameFilters(const FileRequest& request);

} // namespace tarsen
