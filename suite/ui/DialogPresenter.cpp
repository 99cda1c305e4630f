#include "DialogPresenter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace ui {

namespace {

// Loading the widgets library is what makes real dialogs the default in a QApplication.
[[maybe_unused]] const bool registered = [] {
    setDialogPresenter([] { return std::make_shared<DialogPresenter>(); });
    return true;
}();

} // namespace

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

} // namespace ui
