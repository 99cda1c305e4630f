#pragma once

#include <QString>
#include <QVector>
#include <functional>
#include <memory>

namespace ui {

/// Buttons, icons and answers of a message box, with the values the suite uses.
enum Buttons {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbAbortRetryIgnore = 2,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbRetryCancel = 5
};
enum Icon {
    vbNoIcon = 0,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64
};
enum DefaultButton { vbDefaultButton1 = 0, vbDefaultButton2 = 256, vbDefaultButton3 = 512 };
enum Answer { vbOK = 1, vbCancel = 2, vbAbort = 3, vbRetry = 4, vbIgnore = 5, vbYes = 6, vbNo = 7 };

/// One message box as the component asks for it.
struct MessageRequest {
    QString text;
    QString title;
    Icon icon = vbNoIcon;
    Buttons buttons = vbOKOnly;
    DefaultButton defaultButton = vbDefaultButton1;
};

/// Shows message boxes. Every message of the suite and the component goes through the
/// installed presenter: the host shows real dialogs, tests and command-line tools
/// install one that records and answers as told.
class MessagePresenter {
public:
    virtual ~MessagePresenter() = default;
    virtual Answer present(const MessageRequest& request) = 0;
};

/// Records every request and answers from a script (then with the default button).
class RecordingPresenter : public MessagePresenter {
public:
    Answer present(const MessageRequest& request) override;
    QVector<MessageRequest> requests;
    QVector<Answer> answers; // consumed in order
    /// Called with each request before answering (a test may act on the window then).
    std::function<void(const MessageRequest&)> onPresent;
};

/// The answer a box gives when the user just confirms it (its default button).
Answer defaultAnswer(const MessageRequest& request);

/// The buttons of a box, in the order they are shown.
QVector<Answer> answersOf(Buttons buttons);

/// Installs the presenter for the whole process (null: back to the default, dialogs
/// when there is a QApplication, otherwise the default answer).
void setPresenter(std::shared_ptr<MessagePresenter> presenter);
MessagePresenter& presenter();
/// The default presenter of a QApplication: the widgets library sets it (DialogPresenter)
/// when it is loaded; without it every box gets its default answer.
void setDialogPresenter(std::function<std::shared_ptr<MessagePresenter>()> make);

/// Shows a message through the installed presenter; `style` adds buttons, icon and
/// default button as the suite's message function does.
Answer MsgBox(const QString& text, int style = vbOKOnly, const QString& title = {});

/// Tells the user of a failure: its description, then its number and source, in a
/// critical message box. The one way a window or a host shows a failure it caught.
void ShowFailure(const QString& description, qint32 number, const QString& source,
                 const QString& title);

} // namespace ui
