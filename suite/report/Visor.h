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
/// the printer and the PDF file), with zoom to a percentage, page navigation, the group
/// tree (a click goes to the group's page), print, save as PDF and a close command that
/// raises CloseButtonClicked. The print and export buttons show only when switched on.
class Visor : public QWidget {
    Q_OBJECT
public:
    explicit Visor(QWidget* parent = nullptr);
    ~Visor() override;

    void setReportSource(std::shared_ptr<Report> report) { report_ = std::move(report); }
    std::shared_ptr<Report> ReportSource() const { return report_; }
    /// Draws the report and shows its first page. Failures of the report reach the caller.
    void ViewReport();
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
