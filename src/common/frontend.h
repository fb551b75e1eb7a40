// The one interface through which the toolkit-free layers reach the user: message boxes, report
// lines, the status text and its colour, the event pump and the file dialogs. The desktop window,
// the batch tool and the tests each provide one.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarsen {

/// Colour of the main window's status text: red for something missing or running, blue for ready.
enum class StatusColour { Red, Blue };

/// The answer to "save the changes first?" before unsaved changes would be lost.
enum class SaveChoice {
    Save,    //!< save them, then go on
    Discard, //!< go on without saving
    Cancel   //!< do not go on
};

/// What a file dialog asks: open or save, its title, its filter text ("Name (*.tsn)|..." pairs as
/// the window gives them), the folder it opens in and a proposed file name.
struct FileRequest {
    bool save = false;
    std::string title;
    std::vector<std::pair<std::string, std::string>> filters; // caption, pattern ("*.tsn")
    std::string folder;
    std::string fileName;
    std::string defaultSuffix;
};

/// Receives text the user must read and the requests a computation makes of the window.
/// frmMain shows a modal box with an OK button, the batch tool prints a line on stderr, tests
/// record the texts in order.
struct FrontEnd {
    virtual ~FrontEnd() = default;
    /// A modal box with the text and an OK button.
    virtual void ShowMessage(std::string_view text) = 0;
    /// Several messages of one operation (a file read) shown together, one per line.
    virtual void ShowMessages(const std::vector<std::string>& texts)
    {
        std::string all;
        for (const auto& t : texts) {
            if (!all.empty())
                all += '\n';
            all += t;
        }
        if (!all.empty())
            ShowMessage(all);
    }
    /// One line for the report box.
    virtual void ReportLine(std::string_view text) { (void)text; }
    /// The status box's text in its colour.
    virtual void SetStatus(std::string_view text, StatusColour colour)
    {
        (void)text;
        (void)colour;
    }
    /// Process pending window events (the only way Stop reaches a running computation).
    virtual void PumpEvents() {}
    /// A file dialog; nothing when the user cancels.
    virtual std::optional<std::string> ChooseFile(const FileRequest& request)
    {
        (void)request;
        return std::nullopt;
    }
    /// Asks whether to save changes that an action is about to discard. Without a user to ask
    /// nothing is kept back: the action goes on.
    virtual SaveChoice AskSaveChanges(std::string_view text)
    {
        (void)text;
        return SaveChoice::Discard;
    }
};

/// A front end that shows nothing: for computations whose messages nobody reads.
struct NullFrontEnd final : FrontEnd {
    void ShowMessage(std::string_view) override {}
};

/// Records everything in order, for tests; file dialogs answer from a queue.
struct RecordingFrontEnd : FrontEnd {
    std::vector<std::string> m_messages;
    std::vector<std::string> m_report;
    std::string m_status;
    StatusColour m_statusColour = StatusColour::Red;
    int m_pumps = 0;
    std::vector<std::optional<std::string>> m_fileAnswers; // answered front to back
    std::vector<FileRequest> m_fileRequests;
    std::vector<SaveChoice> m_saveChoices; // answered front to back; Discard when empty
    std::vector<std::string> m_saveQuestions;

    void ShowMessage(std::string_view text) override { m_messages.emplace_back(text); }
    void ShowMessages(const std::vector<std::string>& texts) override
    {
        for (const auto& t : texts)
            m_messages.push_back(t);
    }
    void ReportLine(std::string_view text) override { m_report.emplace_back(text); }
    void SetStatus(std::string_view text, StatusColour colour) override
    {
        m_status = text;
        m_statusColour = colour;
    }
    void PumpEvents() override { ++m_pumps; }
    std::optional<std::string> ChooseFile(const FileRequest& request) override
    {
        m_fileRequests.push_back(request);
        if (m_fileAnswers.empty())
            return std::nullopt;
        auto answer = m_fileAnswers.front();
        m_fileAnswers.erase(m_fileAnswers.begin());
        return answer;
    }
    SaveChoice AskSaveChanges(std::string_view text) override
    {
        m_saveQuestions.emplace_back(text);
        if (m_saveChoices.empty())
            return SaveChoice::Discard;
        const SaveChoice answer = m_saveChoices.front();
        m_saveChoices.erase(m_saveChoices.begin());
        return answer;
    }
};

} // namespace tarsen
