#pragma once

#include <QFileIconProvider>
#include <QString>

class QWidget;

namespace controls {

/// Icons and type names of files by their name's extension alone. Qt's own provider opens
/// a file whose extension does not settle its type to read its first bytes; closing that
/// handle drops every POSIX lock the process holds on the file, and a SQLite database
/// that another program shares may then lose its write-ahead log. So no file is opened.
class IconosPorExtension : public QFileIconProvider {
public:
    using QFileIconProvider::icon;
    QIcon icon(const QFileInfo& info) const override;
    QString type(const QFileInfo& info) const override;

    /// The one provider the suite's file dialogs share.
    static IconosPorExtension& compartido();
};

/// The suite's file dialogs: Qt's dialog (never the platform's, which may read files of
/// its own) with the extension-only icons. Every file dialog the suite opens goes
/// through here.
namespace dialogos {

/// Asks for a file to save: `file` is the proposed name (a bare name is proposed in the
/// current folder); "" when the user cancels.
QString guardarArchivo(QWidget* parent, const QString& caption, const QString& file,
                       const QString& filter);

/// Makes every file dialog of the application, Qt's own included (the print dialog's
/// "print to file" browser), use the extension-only icons: installed once, on the first
/// call.
void protegerDialogos();

} // namespace dialogos

} // namespace controls
