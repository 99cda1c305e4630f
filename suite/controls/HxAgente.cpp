#include "HxAgente.h"

#include "HxTextBox.h"
#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "automation/AutomationError.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace controls {

HxAgente::HxAgente(QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    code_ = new QLineEdit(this);
    code_->setObjectName(QStringLiteral("codigo"));
    code_->setValidator(new QIntValidator(-32768, 32767, code_));
    code_->setMaximumWidth(56);
    code_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* search = new QToolButton(this);
    search->setText(QStringLiteral("…"));
    search->setFocusPolicy(Qt::NoFocus);
    search->setToolTip(QStringLiteral("Buscar agente (F3)"));
    name_ = new QLabel(this);
    name_->setTextFormat(Qt::PlainText); // a name is shown as it is, never as markup
    name_->setFrameShape(QFrame::StyledPanel);
    name_->setFrameShadow(QFrame::Sunken);
    name_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    layout->addWidget(code_);
    layout->addWidget(search);
    layout->addWidget(name_, 1);
    setFocusProxy(code_);
    code_->installEventFilter(this);
    connect(code_, &QLineEdit::textEdited, this, [this] { lookUp(); });
    connect(search, &QToolButton::clicked, this, &HxAgente::Buscar);
}

void HxAgente::Inicializar() {
    code_->clear();
    name_->clear();
    valid_ = false;
}

qint16 HxAgente::Codigo() const {
    return qint16(code_->text().toInt());
}

void HxAgente::setCodigo(qint16 codigo) {
    code_->setText(codigo == 0 ? QString() : QString::number(codigo));
}

QString HxAgente::Nombre() const {
    return valid_ ? name_->text() : QString();
}
QString HxAgente::Text() const {
    return code_->text();
}

void HxAgente::setTextValue(const QString& t) {
    code_->setText(t);
    lookUp();
}

void HxAgente::Refrescar() {
    lookUp();
}

void HxAgente::setLocked(bool on) {
    code_->setReadOnly(on);
    for (auto* b : findChildren<QToolButton*>())
        b->setEnabled(!on);
}

std::shared_ptr<ado::Connection> HxAgente::connection() const {
    if (cn_)
        return cn_;
    // A field the window gave no connection shares the one of its window's fields.
    if (QWidget* w = window())
        for (const HxAgente* other : w->findChildren<HxAgente*>())
            if (other->cn_)
                return other->cn_;
    return nullptr;
}

void HxAgente::lookUp() {
    valid_ = false;
    name_->clear();
    const QString t = code_->text().trimmed();
    if (!t.isEmpty()) {
        const std::shared_ptr<ado::Connection> cn = connection();
        if (!cn) {
            name_->setText(QStringLiteral("(sin conexión)"));
        } else {
            try {
                ado::Recordset rs;
                rs.Open(QStringLiteral("SELECT Nombre FROM Agentes WHERE Codigo = ") +
                            QString::number(Codigo()),
                        *cn);
                if (!rs.Eof()) {
                    valid_ = true;
                    name_->setText(rs.Fields(0).toString());
                } else {
                    name_->setText(QStringLiteral("(no existe)"));
                }
            } catch (const automation::AutomationError& e) {
                // A lookup runs while the user types: it reports, it does not raise.
                name_->setText(QStringLiteral("(error: %1)").arg(e.description()));
            }
        }
    }
    emit Changed();
}

void HxAgente::Buscar() {
    const std::shared_ptr<ado::Connection> cn = connection();
    if (!cn || code_->isReadOnly() || !isEnabled())
        return;
    QDialog dlg(this);
    dlg.setObjectName(QStringLiteral("frmBuscarAgente"));
    dlg.setWindowTitle(QStringLiteral("Buscar agente"));
    auto* list = new QListWidget(&dlg);
    list->setObjectName(QStringLiteral("lstAgentes"));
    list->setUniformItemSizes(true);
    try {
        ado::Recordset rs;
        rs.Open(QStringLiteral("SELECT Codigo, Nombre FROM Agentes ORDER BY Nombre"), *cn);
        for (; !rs.Eof(); rs.MoveNext()) {
            auto* item =
                new QListWidgetItem(QString::number(rs.Fields(0).toInt()).rightJustified(5) +
                                        QStringLiteral("  ") + rs.Fields(1).toString(),
                                    list);
            item->setData(Qt::UserRole, rs.Fields(0).toInt());
        }
    } catch (const automation::AutomationError& e) {
        name_->setText(QStringLiteral("(error: %1)").arg(e.description()));
        return;
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
    auto* layout = new QVBoxLayout(&dlg);
    layout->addWidget(list);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    connect(list, &QListWidget::itemActivated, &dlg, &QDialog::accept);
    list->setCurrentRow(0);
    dlg.resize(360, 420);
    if (dlg.exec() == QDialog::Accepted && list->currentItem()) {
        setCodigo(qint16(list->currentItem()->data(Qt::UserRole).toInt()));
        lookUp();
    }
}

bool HxAgente::eventFilter(QObject* watched, QEvent* event) {
    if (watched != code_ || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    auto* e = static_cast<QKeyEvent*>(event);
    if (e->key() == Qt::Key_F3) {
        Buscar();
        return true;
    }
    if (e->key() == Qt::Key_Up && upMoves_) {
        focusPreviousChild();
        return true;
    }
    // Every character, control characters included, is offered to KeyPress first; a
    // handler that moved the focus on Enter has decided where it goes.
    const int original = keyAscii(e);
    if (original == 0)
        return false;
    int ascii = original;
    QWidget* const focusBefore = QApplication::focusWidget();
    emit KeyPress(ascii);
    if (ascii == 0)
        return true;
    if (original == 13) {
        if (ascii == 13 && enterMoves_ && QApplication::focusWidget() == focusBefore &&
            code_->hasFocus())
            focusNextChild();
        return true;
    }
    if (ascii != original) {
        if (ascii >= 32) {
            code_->insert(QString(QChar(char16_t(ascii))));
            lookUp();
        }
        return true;
    }
    return false;
}

} // namespace controls
