#include "MessageBox.h"

#include <QCoreApplication>

namespace ui {

namespace {

std::shared_ptr<MessagePresenter>& installed() {
    static std::shared_ptr<MessagePresenter> p;
    return p;
}

std::function<std::shared_ptr<MessagePresenter>()>& dialogs() {
    static std::function<std::shared_ptr<MessagePresenter>()> make;
    return make;
}

} // namespace

QVector<Answer> answersOf(Buttons b) {
    switch (b) {
    case vbOKCancel:
        return {vbOK, vbCancel};
    case vbAbortRetryIgnore:
        return {vbAbort, vbRetry, vbIgnore};
    case vbYesNoCancel:
        return {vbYes, vbNo, vbCancel};
    case vbYesNo:
        return {vbYes, vbNo};
    case vbRetryCancel:
        return {vbRetry, vbCancel};
    default:
        return {vbOK};
    }
}

namespace {

class HeadlessPresenter : public MessagePresenter {
public:
    Answer present(const MessageRequest& r) override { return defaultAnswer(r); }
};

} // namespace

Answer defaultAnswer(const MessageRequest& r) {
    const QVector<Answer> a = answersOf(r.buttons);
    const int index = r.defaultButton == vbDefaultButton3   ? 2
                      : r.defaultButton == vbDefaultButton2 ? 1
                                                            : 0;
    return a.value(index, a.first());
}

Answer RecordingPresenter::present(const MessageRequest& r) {
    requests.push_back(r);
    if (onPresent)
        onPresent(r);
    return answers.isEmpty() ? defaultAnswer(r) : answers.takeFirst();
}

void setPresenter(std::shared_ptr<MessagePresenter> p) {
    installed() = std::move(p);
}

void setDialogPresenter(std::function<std::shared_ptr<MessagePresenter>()> make) {
    dialogs() = std::move(make);
}

MessagePresenter& presenter() {
    if (!installed()) {
        const QCoreApplication* app = QCoreApplication::instance();
        if (dialogs() && app && app->inherits("QApplication"))
            installed() = dialogs()();
        else
            installed() = std::make_shared<HeadlessPresenter>();
    }
    return *installed();
}

Answer MsgBox(const QString& text, int style, const QString& title) {
    MessageRequest r;
    r.text = text;
    r.title = title;
    r.buttons = Buttons(style & 0x0F);
    r.icon = Icon(style & 0x70);
    r.defaultButton = DefaultButton(style & 0x300);
    return presenter().present(r);
}

void ShowFailure(const QString& description, qint32 number, const QString& source,
                 const QString& title) {
    MsgBox(description + QStringLiteral("\n\nError ") + QString::number(number) +
               QStringLiteral(" (") + source + u')',
           vbCritical, title);
}

} // namespace ui
