#include "DialogoArchivo.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QPointer>

namespace controls {

namespace {

QMimeType tipoPorNombre(const QFileInfo& info) {
    // The name only; a folder is known from the directory entry itself.
    return QMimeDatabase().mimeTypeForFile(info, QMimeDatabase::MatchExtension);
}

// Gives each file dialog the provider before it first shows (and so before its views ask
// for any icon or type).
class Guardia : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Polish)
            if (auto* d = qobject_cast<QFileDialog*>(watched);
                d && d->iconProvider() != &IconosPorExtension::compartido()) {
                d->setOption(QFileDialog::DontUseNativeDialog);
                d->setIconProvider(&IconosPorExtension::compartido());
            }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

QIcon IconosPorExtension::icon(const QFileInfo& info) const {
    if (info.isDir())
        return icon(QAbstractFileIconProvider::Folder);
    const QMimeType mime = tipoPorNombre(info);
    const QIcon fallback = icon(QAbstractFileIconProvider::File);
    return QIcon::fromTheme(mime.iconName(), QIcon::fromTheme(mime.genericIconName(), fallback));
}

QString IconosPorExtension::type(const QFileInfo& info) const {
    if (info.isDir())
        return QFileIconProvider::type(info); // "Folder", from the entry alone
    const QMimeType mime = tipoPorNombre(info);
    return mime.comment().isEmpty() ? mime.name() : mime.comment();
}

IconosPorExtension& IconosPorExtension::compartido() {
    static IconosPorExtension provider;
    return provider;
}

namespace dialogos {

QString guardarArchivo(QWidget* parent, const QString& caption, const QString& file,
                       const QString& filter) {
    protegerDialogos();
    // The provider goes in before the dialog is pointed at any folder.
    QFileDialog dialog(parent, caption);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setIconProvider(&IconosPorExtension::compartido());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    const QFileInfo proposed(file.isEmpty() ? QDir::currentPath() : file);
    if (proposed.isDir()) {
        dialog.setDirectory(proposed.absoluteFilePath());
    } else {
        dialog.setDirectory(proposed.absolutePath());
        dialog.selectFile(proposed.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void protegerDialogos() {
    static QPointer<Guardia> guardia;
    if (!guardia && qApp) {
        guardia = new Guardia(qApp);
        qApp->installEventFilter(guardia);
    }
}

} // namespace dialogos

} // namespace controls
