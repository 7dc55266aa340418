#pragma once

#include <QString>
#include <deque>
#include <optional>
#include <vector>

class QWidget;

namespace hostaq {

enum class TPromptKind { Information, Warning, Error, Question };
enum class TPromptButton { Ok, Cancel, Yes, No };

// One message box: its kind, text, buttons, default button and an optional check box ("do not
// ask again"). The title is the application title unless given.
struct TPromptRequest {
    TPromptKind Kind = TPromptKind::Information;
    QString Text;
    std::vector<TPromptButton> Buttons{TPromptButton::Ok};
    TPromptButton Default = TPromptButton::Ok;
    QString Title;
    QString CheckBoxText; // empty: no check box
    bool CheckBoxChecked = false;
};

struct TPromptAnswer {
    TPromptButton Button = TPromptButton::Ok;
    bool CheckBoxChecked = false;
};

// Every message box and confirmation of the windows goes through here, so tests can answer
// them. In test mode nothing is shown: each request is recorded and answered with the next
// queued answer, or with its default button when none is queued.
class TPrompt {
public:
    static TPromptAnswer Ask(QWidget* parent, const TPromptRequest& request);

    static void Information(QWidget* parent, const QString& text);
    static void Warning(QWidget* parent, const QString& text);
    static void Error(QWidget* parent, const QString& text);
    // Yes/No; the default button is given (No unless told).
    static bool YesNo(QWidget* parent, const QString& text, TPromptKind kind = TPromptKind::Question,
                      TPromptButton defaultButton = TPromptButton::No);
    static TPromptButton YesNoCancel(QWidget* parent, const QString& text,
                                     TPromptKind kind = TPromptKind::Question);
    // The beep that goes with an error or information box (QApplication::beep; counted in test mode).
    static void Beep();

    // ---- test seam
    static void SetTestMode(bool on);
    static bool TestMode();
    static void QueueAnswer(TPromptButton button, bool checkBoxChecked = false);
    static std::vector<TPromptRequest>& Asked();
    static int Beeps();
    static void Reset(); // clears queued answers, the record and the beep count
};

} // namespace hostaq
