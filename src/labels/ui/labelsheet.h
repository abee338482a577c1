#pragma once
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

#include "labels/barcodecheck.h"
#include "labels/description.h"
#include "labels/marks.h"
#include "labels/ui/pagepreview.h"
#include "labels/ui/printing.h"

class QWidget;

namespace pelorin {

class LabelValues;

// The main window's sheet of labels: the current label page description `EtiqXML`, the selection
// marks, the executed page of the last build and the preview `pagePreview` it is shown in, with the
// commands that open a description, zoom, print and export the page. The main window puts the
// preview in its right-hand panel and connects its buttons to the commands; every command reports
// its errors itself in a message box, so the buttons can call them directly.
class LabelSheet : public QObject
{
    Q_OBJECT

public:
    // Shows the file name (without folder) of the description in use, in the second panel of the
    // main window's status bar.
    using StatusCallback = std::function<void(const QString& fileName)>;

    // `values` gives the live values of the labels (the code, the texts, the version, the logo);
    // `window` parents the preview and the message boxes.
    LabelSheet(LabelValues& values, QWidget* window, StatusCallback status = {});
    ~LabelSheet() override;

    LabelDescription& EtiqXML() { return m_description; }
    const LabelDescription& EtiqXML() const { return m_description; }
    SelectionMarks& marks() { return m_marks; }
    // The preview, objectName "pagePreview": zoom 40 at first, a page shadow of 3 pixels.
    report::PagePreview* preview() const { return m_preview; }
    // The page of the last build that was shown (null before the first), the one the preview draws.
    std::shared_ptr<const report::ExecutedPage> page() const { return m_page; }

    // Loads a description by path as the current one (the start-up's saved description); the
    // status bar shows its name. Error with the loader's message on failure: the description is
    // then released and the status bar keeps its text.
    void loadDescription(const QString& path);

    // Builds the page from the description, the marks and the live values, executes it and shows
    // it. A value of the sheet format that is no number shows its message and keeps the
    // previous page; a bad component shows the page as far as it was built, then its message; an
    // unknown component type shows "erreur de composant" and the page as built. Returns whether a
    // page was built and shown (the unknown type included), which is what printing asks.
    bool showPage();
    // "Réafficher" and "Valider ".
    void Preview() { showPage(); }

    // "Charger une page d'étiquettes.": the open dialog in the models folder. Cancelling changes
    // nothing. An unreadable file shows its message and releases the description ("No active
    // document" until a readable one is opened), the status bar and the marks staying as they were.
    // A readable one shows its name in the status bar, then the marks are rebuilt (the label
    // selection window's rebuildGrid when there is one), the page is built and the zoom fitted.
    void chooseDescription();
    // The same once a file is chosen (a file named on the command line).
    void openDescription(const QString& path);

    // "Zoom au mieux.", "Agrandir.", "Réduire.": 10 to 200 percent in steps of 10.
    void zoomToFit();
    void zoomIn();
    void zoomOut();

    // "Imprimer la page.": builds the page, then prints it on the default printer without a dialog,
    // one copy, exactly as the preview shows it. "Aucune imprimante n'est installée." when there is
    // no printer. A failed build prints nothing, but for an unknown component type, whose page is
    // printed as built.
    void printPage();
    // "Imprimer…" (Ctrl+Shift+P): builds the page, then asks the printer and the number of copies in
    // the print dialog, which opens on the printer chosen last during this session. Cancelling prints
    // nothing. A print job is named "Pelorin <code> <page name>" either way.
    void printPageWithDialog();
    // The printer "Imprimer…" chose last in this session; empty before (the default printer).
    QString sessionPrinter() const { return m_sessionPrinter; }
    // The resolution a page for `printer` is fitted and checked for (fittingResolution), asked of
    // the print server once per printer.
    int resolutionOf(const QString& printer);
    // The barcodes of the page shown, checked for the chosen printer (the session's, else the
    // default one); an empty report before the first page.
    report::PageReport checkPage();
    // "Exporter la page en PDF.": builds the page, then writes it as a vector PDF to a file chosen
    // in a save dialog.
    void exportPdf();

    // The label selection window registers its rebuildGrid here, so that opening a description
    // rebuilds its grid as well. Without one, opening rebuilds the marks, builds the page and fits
    // the zoom.
    void setSelectionRebuild(std::function<void()> rebuild);
    // The message of an error met building the page or the marks: a value of the description that
    // does not convert is named with the file, the element and the component; others as they are.
    QString buildMessage(const QString& message) const;
    // Builds the page and fits the zoom (the last step of rebuildGrid).
    void showAndFit();

    // Told where each page goes: a printer (its name), just before the job is sent, so that the page
    // is on record before it leaves; a PDF file (its path), once written. It must not throw.
    using OutputRecorder = std::function<void(bool toFile, const QString& output, int copies)>;
    void setOutputRecorder(OutputRecorder recorder) { m_recorder = std::move(recorder); }

    // Ctrl+O opens a description, Ctrl+P prints and Ctrl+Shift+P prints through the print dialog,
    // anywhere in `window`.
    void installShortcuts(QWidget* window);

signals:
    // A new description has been loaded (by path or through the dialog).
    void descriptionLoaded(const QString& fileName);
    // A page has been built and shown.
    void pageShown();
    // The page shown has been checked for the chosen printer: after every build and when "Imprimer…"
    // chooses another printer.
    void pageChecked(const pelorin::report::PageReport& report);
    // A page has left: "Page envoyée à <printer> (<n> exemplaire(s))" once the print server took the
    // job, "Page exportée : <file>" once the PDF file is written.
    void pageDelivered(const QString& what);

private:
    enum class Build { Failed, Shown, ShownAfterUnknownType };
    Build build();
    void rebuildMarksAndShow();
    void print(const QString& printer, int copies);
    // Asks before a page whose barcodes will not scan on `printer` is printed, offering a higher
    // resolution of the printer at which they would; false when the operator does not print.
    bool confirmQuality(const QString& printer, report::PrintJob& job);
    void setStatus(const QString& fileName);

    LabelValues& m_values;
    QPointer<QWidget> m_window;
    StatusCallback m_status;
    QString m_statusName; // the name last given to the status bar
    LabelDescription m_description;
    SelectionMarks m_marks;
    std::shared_ptr<const report::ExecutedPage> m_page;
    QString m_shownName; // the file whose page the preview shows
    QPointer<report::PagePreview> m_preview;
    std::function<void()> m_selectionRebuild;
    OutputRecorder m_recorder;
    QString m_sessionPrinter;
    QHash<QString, int> m_resolutions; // by printer name, empty for the default one
};

} // namespace pelorin
