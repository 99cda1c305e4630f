#include "MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace ui {

namespace {

std::shared_ptr<MessagePresenter>& installed() {
    static std::shared_ptr<MessagePresenter> p;
    return p;
}

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

Answer DialogPresenter::present(const MessageRequest& r) {
    QMessageBox box(QApplication::activeWindow());
    // Messages carry names and texts from the data: shown as they are, never as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(r.text);
    box.setWindowTitle(r.title.isEmpty() ? QApplication::applicationName() : r.title);
    switch (r.icon) {
    case vbCritical:
        box.setIcon(QMessageBox::Critical);
        break;
    case vbQuestion:
        box.setIcon(QMessageBox::Question);
        break;
    case vbExclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case vbInformation:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    const QVector<Answer> answers = answersOf(r.buttons);
    QVector<QAbstractButton*> buttons;
    for (Answer a : answers) {
        QMessageBox::StandardButton sb = QMessageBox::Ok;
        switch (a) {
        case vbCancel:
            sb = QMessageBox::Cancel;
            break;
        case vbAbort:
            sb = QMessageBox::Abort;
            break;
        case vbRetry:
            sb = QMessageBox::Retry;
            break;
        case vbIgnore:
            sb = QMessageBox::Ignore;
            break;
        case vbYes:
            sb = QMessageBox::Yes;
            break;
        case vbNo:
            sb = QMessageBox::No;
            break;
        default:
            break;
        }
        buttons << box.addButton(sb);
    }
    const Answer def = defaultAnswer(r);
    box.setDefaultButton(qobject_cast<QPushButton*>(buttons[answers.indexOf(def)]));
    box.exec();
    const qsizetype i = buttons.indexOf(box.clickedButton());
    return i < 0 ? (answers.contains(vbCancel) ? vbCancel : def) : answers[i];
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

MessagePresenter& presenter() {
    if (!installed()) {
        if (qobject_cast<QApplication*>(QCoreApplication::instance()))
            installed() = std::make_shared<DialogPresenter>();
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
