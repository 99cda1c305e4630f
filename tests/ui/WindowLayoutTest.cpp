// Every window as drawn: captions whole, no two controls of one container overlapping.
#include "Database.h"
#include "WindowTest.h"

#include <QGroupBox>

namespace {

// A window opened as a host opens it, and what keeps it open.
struct Open {
    std::shared_ptr<void> owner;
    QWidget* form;
};
template <class Cls> Open byClass(const char* progId) {
    ObjectRef o = CreateObject(QLatin1String(progId));
    Invoke(*o, o->classInfo().member(u"Show"_s)->dispatchId,
           DispatchKind::Method); // Show, modeless
    auto* cls = dynamic_cast<Cls*>(o.get());
    return {std::shared_ptr<void>(o), cls ? cls->window() : nullptr};
}
template <class Dialog> Open dialog(const char*) {
    auto d = std::make_shared<Dialog>();
    d->Mostrar(0, nullptr);
    return {d, d.get()};
}

struct Window {
    const char* name;
    Open (*open)(const char*);
    const char* progId;
};
const Window kWindows[] = {
    {"frmAgentes", byClass<frmclsAgente>, "ORBTAgentes.frmclsAgente"},
    {"frmAgentes_Comision_Familias", byClass<frmclsComision_Familias>,
     "ORBTAgentes.frmclsComision_Familias"},
    {"frmAgentes_CambioFactura", byClass<frmclsCambioFactura>, "ORBTAgentes.frmclsCambioFactura"},
    {"frmResumenAgentes", byClass<frmclsResumenAgentes>, "ORBTAgentes.frmclsResumenAgentes"},
    {"frmAgentes_Buscar", dialog<frmAgentes_Buscar>, nullptr},
    {"frmCredenciales", dialog<frmCredenciales>, nullptr},
};

void PrintTo(const Window& w, std::ostream* os) {
    *os << w.name;
}

class WindowLayout : public ::testing::TestWithParam<Window> {
protected:
    void SetUp() override {
        cn = db.open();
        orbenta::db::createSchema(*cn, false);
        SharedContext::setConexion(cn);
        SharedContext::setEmpresa(std::make_shared<ORBTEmp::Empresa>());
    }
    void TearDown() override { SharedContext::setConexion(nullptr); }
    testsupport::ScratchDatabase db{testsupport::Engine::SQLite};
    std::shared_ptr<ado::Connection> cn;
};

// A control's caption, and the room it leaves for it (indicator or frame taken off).
std::pair<QString, int> captionAndRoom(QWidget* c) {
    QString text;
    int room = c->width();
    if (auto* l = qobject_cast<QLabel*>(c)) {
        text = l->text();
        EXPECT_TRUE(l->toolTip().isEmpty()) << "cut short: " << text.toStdString();
    } else if (auto* b = qobject_cast<QCheckBox*>(c)) {
        text = b->text();
        room -= c->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, c) +
                c->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, c);
    } else if (auto* p = qobject_cast<QPushButton*>(c)) {
        text = p->text();
        room -= 2 * c->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, c);
    } else if (auto* g = qobject_cast<QGroupBox*>(c)) {
        text = g->title();
    }
    return {text.remove(u'&'), room};
}

TEST_P(WindowLayout, CaptionsFitAndNothingOverlaps) {
    const Open open = GetParam().open(GetParam().progId);
    QWidget* form = open.form;
    ASSERT_TRUE(form);
    EXPECT_EQ(form->objectName(), QLatin1String(GetParam().name));
    int captions = 0;
    std::vector<QWidget*> containers{form};
    for (QWidget* c : form->findChildren<QWidget*>()) {
        if (!c->isVisibleTo(form) || c->window() != form)
            continue;
        if (qobject_cast<QGroupBox*>(c) || c->objectName().startsWith(QLatin1String("Frame")))
            containers.push_back(c);
        const auto [text, room] = captionAndRoom(c);
        if (text.isEmpty())
            continue;
        ++captions;
        EXPECT_LE(c->fontMetrics().horizontalAdvance(text), room)
            << c->objectName().toStdString() << ": " << text.toStdString();
    }
    EXPECT_GE(captions, 2);
    // The controls a window places, container by container (a control's own parts aside).
    for (QWidget* in : containers) {
        std::vector<QWidget*> placed;
        for (QWidget* c : in->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (c->isVisibleTo(form) && !c->isWindow())
                placed.push_back(c);
        for (size_t i = 0; i < placed.size(); ++i)
            for (size_t j = i + 1; j < placed.size(); ++j)
                EXPECT_FALSE(placed[i]->geometry().intersects(placed[j]->geometry()))
                    << placed[i]->objectName().toStdString() << " / "
                    << placed[j]->objectName().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Windows, WindowLayout, ::testing::ValuesIn(kWindows),
                         [](const auto& p) { return std::string(p.param.name); });

// A wider theme font: a caption shrinks, and is cut short only when it still does not fit.
class WideForm : public FormBase {
public:
    WideForm() {
        QFont f = font();
        f.setPixelSize(18);
        setFont(f);
        static const Control layout[] = {
            {"fits", kind<QLabel>, 120, 0, 1200, 300, "Fecha:"},
            {"shrinks", kind<QLabel>, 120, 300, 1500, 300, "Agente en Factura:"},
            {"cut", kind<QLabel>, 120, 600, 900, 300, "Un rótulo mucho más largo que su sitio:"},
        };
        crearControles(layout);
    }
    QLabel* label(const char* name) const { return control<QLabel>(name); }
};

TEST(Layout, ACaptionWiderThanItsPlaceIsFittedNotOverlapped) {
    WideForm f;
    EXPECT_EQ(f.label("fits")->font().pixelSize(), 18);
    EXPECT_EQ(f.label("fits")->text(), u"Fecha:"_s);
    EXPECT_EQ(f.label("shrinks")->text(), u"Agente en Factura:"_s);
    EXPECT_LT(f.label("shrinks")->font().pixelSize(), 18);
    QLabel* cut = f.label("cut");
    EXPECT_TRUE(cut->text().endsWith(QChar(0x2026))) << cut->text().toStdString();
    EXPECT_EQ(cut->toolTip(), u"Un rótulo mucho más largo que su sitio:"_s);
    EXPECT_EQ(cut->accessibleName(), cut->toolTip());
    for (const char* name : {"fits", "shrinks", "cut"})
        EXPECT_LE(f.label(name)->fontMetrics().horizontalAdvance(f.label(name)->text()),
                  f.label(name)->width());
}

} // namespace
