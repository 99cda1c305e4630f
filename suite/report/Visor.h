#pragma once

#include <QWidget>
#include <memory>

class QPdfDocument;
class QPdfView;
class QSpinBox;
class QLabel;
class QListWidget;
class QToolButton;
class QBuffer;

namespace report {

class Report;

/// The suite's report viewer control: the report drawn as pages (the same drawing as
/// the printer and the PDF file), with zoom to a percentage or to fit, page navigation,
/// the group tree (a click goes to the group's page), print, save as PDF (proposing the
/// report's title as the file's name) and a close command that raises CloseButtonClicked. The print
/// and export buttons show only when switched on.
class Visor : public QWidget {
    Q_OBJECT
public:
    explicit Visor(QWidget* parent = nullptr);
    ~Visor() override;

    void setReportSource(std::shared_ptr<Report> report) { report_ = std::move(report); }
    std::shared_ptr<Report> ReportSource() const { return report_; }
    /// Draws the report and shows its first page. Failures of the report reach the caller.
    void ViewReport();
    /// A percentage from 10 to 400 (any other value: 100). The zoom box steps through
    /// 50, 75, 100, 125, 150 and 200 %, then the page's width, then the whole page.
    void Zoom(int percent);
    int zoomPercent() const;
    void setDisplayGroupTree(bool on);
    bool DisplayGroupTree() const;
    void setEnablePrintButton(bool on);
    void setEnableExportButton(bool on);
    int pageCount() const;
    int currentPage() const; // 1-based
    void showPage(int page);
    /// Saves the report as a PDF file; prints it (a printer dialog).
    void ExportTo(const QString& file);
    void PrintReport();

    QPdfView* view() const { return view_; }
    QListWidget* groupTree() const { return groups_; }

signals:
    /// The close command was used; `useDefault` is the control's own flag (unused).
    void CloseButtonClicked(bool& useDefault);

private:
    void aplicarZoom();

    std::shared_ptr<Report> report_;
    QPdfDocument* document_;
    QBuffer* pdf_;
    QPdfView* view_;
    QListWidget* groups_;
    QSpinBox* zoom_;
    QLabel* pages_;
    QToolButton *print_, *export_;
};

} // namespace report
