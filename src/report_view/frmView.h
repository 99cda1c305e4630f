#pragma once

#include "frame/FormBase.h"

#include <QPointer>
#include <memory>

class QLabel;

namespace report {
class Report;
class Visor;
} // namespace report

namespace ORBTAgentes {

/// "Bralvent - Visor de Reportes": a prepared report in the viewer, which fills the
/// window, with the suite's logo at the top right. One window for the whole component:
/// created on first use, discarded when it unloads (the next use makes a fresh one).
///
/// The viewer's two display options switched on at load: its print button and its
/// export (save as PDF) button. The window keeps its last size and position in the
/// user's settings (Orbenta, ORBTAgentes; key frmView/geometria); the first time it
/// opens wide enough to show a page's width at its zoom, as far as the screen allows.
class frmView : public FormBase {
    Q_OBJECT
public:
    /// The shared window, created when there is none.
    static frmView& instancia();
    /// The shared window if there is one (for tests).
    static frmView* actual();

    bool MostrarGrupos = false;
    qint16 Zoom = 0;
    std::shared_ptr<report::Report> Report;

protected:
    void Form_Load() override;
    void changeEvent(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    frmView();

    bool restaurada_ = false;
    QLabel* pctLogo;
    report::Visor* crvRep;
};

/// Shows a report that the caller has prepared: the report, whether the group tree
/// shows, and the zoom, handed to the shared viewer window.
class clsView {
public:
    bool MostrarGrupos = false;
    std::shared_ptr<report::Report> Report;

    /// Shows the report; modal (returns when the window closes) or modeless. intZoom is a
    /// percentage (0: the page at its printed size).
    void Cargar(bool bolModal, qint16 intZoom = 0);
};

} // namespace ORBTAgentes
