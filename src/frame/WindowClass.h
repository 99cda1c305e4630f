#pragma once

#include "Automation.h"
#include "Errors.h"
#include "FormBase.h"

#include <QPointer>
#include <QWidget>

namespace ORBTAgentes {

/// The common mechanism of the window classes: one window at most, created by the
/// first Show and shown again by the next ones while it is held; dropped when it raises
/// Unload; closed (with its Unload) when the window class is released.
template <class Form> class WindowClass : public AutomationObject {
public:
    explicit WindowClass(const ClassInfo& info) : AutomationObject(info) {}
    ~WindowClass() override {
        if (form_)
            form_->close(); // as if the user closed it: Unload drops it
        delete form_.data();
    }
    WindowClass(const WindowClass&) = delete;
    WindowClass& operator=(const WindowClass&) = delete;

    /// Shows the window, modeless (0) or modal (1), owned by `OwnerForm` when given.
    /// Any other Modal fails with runtime error 5 and shows nothing (FormBase::Mostrar).
    void Show(qint16 Modal = 0, QWidget* OwnerForm = nullptr) {
        if (form_ && form_->isUnloaded()) {
            // Closed without Unload: still held, and loaded afresh when shown again.
            delete form_.data();
        }
        if (!form_) {
            form_ = new Form();
            QObject::connect(form_.data(), &FormBase::Unload, form_.data(), [this] {
                Form* closing = form_.data();
                form_.clear();
                if (closing)
                    closing->deleteLater();
            });
        }
        QPointer<Form> shown = form_;
        shown->Mostrar(Modal, OwnerForm);
    }
    /// The window held, if any (for the host and for tests).
    Form* window() const { return form_.data(); }

private:
    QPointer<Form> form_;
};

/// The interface of a window class: the host's two properties and Show.
template <class W>
ClassInfo windowClass(const char* name, const char* classId, const char* interfaceName,
                      const char* interfaceId) {
    return {name,
            classId,
            interfaceName,
            interfaceId,
            {empresaOrbenta(), conexionOrbenta(),
             method<&W::Show>("Show", 0x60030002, optional("Modal", QVariant(qint16(0))),
                              optional("OwnerForm"))},
            create<W>};
}

} // namespace ORBTAgentes
