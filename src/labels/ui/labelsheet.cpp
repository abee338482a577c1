#include "labels/ui/labelsheet.h"
#include "labels/ui/printdialogs.h"

#include <QPrinterInfo>

#include "base/error.h"
#include "base/paths.h"
#include "base/ui/dialogs.h"
#include "labels/exporter.h"
#include "labels/labelvalues.h"
#include "labels/pagebuild.h"
#include "labels/executedpage.h"
#include "labels/reportpage.h"
#include "labels/ui/pagepreview.h"
#include "labels/ui/printing.h"

#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QMessageBox>
#include <QShortcut>
#include <QStandardPaths>
#include <QWidget>
#include <exception>

namespace pelorin {

namespace {

constexpr double kStartZoom = 40.0;
constexpr int kShadowDepth = 3;

} // namespace

LabelSheet::LabelSheet(LabelValues& values, QWidget* window, StatusCallback status)
    : m_values(values), m_window(window), m_status(std::move(status))
{
    m_preview = new report::PagePreview(window);
    m_preview->setObjectName(QStringLiteral("pagePreview"));
    m_preview->setZoom(kStartZoom);
    m_preview->setShadowDepth(kShadowDepth);
}

LabelSheet::~LabelSheet()
{
    // the main window normally owns the preview through its layout; a preview made without a
    // window belongs to us
    if (m_preview && !m_preview->parent())
        delete m_preview.data();
}

void LabelSheet::loadDescription(const QString& path)
{
    // the description in use is released first, as the loader does: a file that cannot be read
    // leaves no description
    m_description.release();
    m_description = LabelDescription::load(path, QStringLiteral("la description"));
    const QString name = QFileInfo(path).fileName();
    setStatus(name);
    emit descriptionLoaded(name);
}

LabelSheet::Build LabelSheet::build()
{
    QWidget* parent = m_window.data();
    report::Page page(report::defaultPrinterPaperInches());
    PageBuildResult result;
    try {
        result = buildPage(page, m_description, m_marks, m_values);
    } catch (const Error& e) {
        // nothing was built: the preview keeps the previous page
        Dialogs::error(parent, buildMessage(e.message()));
        return Build::Failed;
    } catch (const std::exception& e) {
        Dialogs::error(parent, QString::fromLocal8Bit(e.what()));
        return Build::Failed;
    }

    // what was built is shown even when a component stopped the build, then the reason
    try {
        m_page = report::executeShared(page);
        m_preview->setPrinterDpi(resolutionOf(m_sessionPrinter));
        m_preview->setPage(m_page);
        m_shownName = QFileInfo(m_description.fileName()).fileName();
    } catch (const Error& e) {
        Dialogs::error(parent, e.message());
        return Build::Failed;
    } catch (const std::exception& e) {
        Dialogs::error(parent, QString::fromLocal8Bit(e.what()));
        return Build::Failed;
    }
    emit pageShown();
    emit pageChecked(checkPage());

    switch (result.stop) {
    case PageBuildResult::Stop::None:
        return Build::Shown;
    case PageBuildResult::Stop::UnknownType:
        Dialogs::information(parent, result.message);
        return Build::ShownAfterUnknownType;
    case PageBuildResult::Stop::Failed:
        Dialogs::error(parent, buildMessage(result.message));
        return Build::Failed;
    }
    return Build::Failed;
}

QString LabelSheet::buildMessage(const QString& message) const
{
    // a value that does not convert is named with its file, element and component, so that the
    // operator knows which description to mend and where
    if (m_description.isActive() && !m_description.fileName().isEmpty())
        if (const auto fault = findValueFault(m_description, message))
            return valueFaultMessage(QFileInfo(m_description.fileName()).fileName(), *fault);
    return message;
}

bool LabelSheet::showPage()
{
    return build() != Build::Failed;
}

void LabelSheet::chooseDescription()
{
    const QString path = Dialogs::openFileName(m_window.data(), QStringLiteral("Charger une page d'étiquettes"),
                                               DataFolder::path(QStringLiteral("Modeles")),
                                               QStringLiteral("Fichier étiquette. (*.ETQ);;Tous (*.*)"));
    if (!path.isEmpty())
        openDescription(path);
}

void LabelSheet::setStatus(const QString& fileName)
{
    m_statusName = fileName;
    if (m_status)
        m_status(fileName);
}

void LabelSheet::openDescription(const QString& path)
{
    const auto shownBefore = m_page;
    try {
        loadDescription(path);
    } catch (const Error& e) {
        Dialogs::error(m_window.data(), e.message());
        return;
    }
    if (m_selectionRebuild)
        m_selectionRebuild();
    else
        rebuildMarksAndShow();
    // a page that could not be built leaves the previous one in sight: the status bar names that one
    if (m_page == shownBefore && shownBefore && m_status)
        m_status(m_shownName);
}

void LabelSheet::rebuildMarksAndShow()
{
    try {
        m_marks.rebuild(m_description);
    } catch (const Error& e) {
        Dialogs::error(m_window.data(), buildMessage(e.message()));
        return;
    }
    showAndFit();
}

void LabelSheet::showAndFit()
{
    showPage();
    zoomToFit();
}

void LabelSheet::setSelectionRebuild(std::function<void()> rebuild)
{
    m_selectionRebuild = std::move(rebuild);
}

void LabelSheet::zoomToFit()
{
    m_preview->zoomToFit();
}

void LabelSheet::zoomIn()
{
    m_preview->zoomIn();
}

void LabelSheet::zoomOut()
{
    m_preview->zoomOut();
}

void LabelSheet::printPage()
{
    // the page is built first, so that it holds the code, texts and selection of this moment
    if (build() == Build::Failed || !m_page)
        return;
    print(QString(), 1);
}

void LabelSheet::printPageWithDialog()
{
    if (build() == Build::Failed || !m_page)
        return;
    const std::optional<PrintDialogs::Choice> choice = PrintDialogs::ask(m_window.data(), m_sessionPrinter);
    if (!choice)
        return;
    if (choice->printer != m_sessionPrinter) {
        m_sessionPrinter = choice->printer;
        m_preview->setPrinterDpi(resolutionOf(m_sessionPrinter));
        emit pageChecked(checkPage());
    }
    print(choice->printer, choice->copies);
}

int LabelSheet::resolutionOf(const QString& printer)
{
    auto it = m_resolutions.constFind(printer);
    if (it == m_resolutions.constEnd())
        it = m_resolutions.insert(printer, report::fittingResolution(printer));
    return *it;
}

report::PageReport LabelSheet::checkPage()
{
    if (!m_page)
        return report::PageReport();
    return report::checkPage(*m_page, resolutionOf(m_sessionPrinter));
}

bool LabelSheet::confirmQuality(const QString& printer, report::PrintJob& job)
{
    const int dpi = resolutionOf(printer);
    const report::PageReport report = report::checkPage(*m_page, dpi);
    if (report.grade() <= report::Grade::C)
        return true;
    const report::BarcodeReport* worst = report.worst();
    const QString why = worst ? worst->reason(report.minimumModuleMm) : QString();
    // the printer's finer resolution, where it has one at which every barcode scans
    for (const int finer : report::printerResolutions(printer)) {
        if (finer <= dpi || !report::checkPage(*m_page, finer).scans())
            continue;
        const QMessageBox::StandardButton answer = Dialogs::question(
            m_window.data(),
            QStringLiteral("Les codes-barres de cette page ne seront pas lisibles à %1 points par pouce.\n%2\n\n"
                           "L'imprimante peut imprimer à %3 points par pouce, où ils le seront. Imprimer à %3 points "
                           "par pouce ?")
                .arg(dpi)
                .arg(why)
                .arg(finer),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
        if (answer == QMessageBox::Cancel)
            return false;
        if (answer == QMessageBox::Yes)
            job.dpi = finer;
        return true;
    }
    return Dialogs::question(m_window.data(),
                             QStringLiteral("Les codes-barres de cette page ne seront pas lisibles à %1 points par "
                                            "pouce.\n%2\n\nImprimer quand même ?")
                                 .arg(dpi)
                                 .arg(why),
                             QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void LabelSheet::print(const QString& printer, int copies)
{
    report::PrintJob job;
    job.printer = printer;
    job.copies = copies;
    const QString name = m_description.fileName();
    job.name = report::jobName(m_values.code(), name.isEmpty() ? QString() : QFileInfo(name).completeBaseName());
    if (!confirmQuality(printer, job))
        return;
    try {
        // on record before the job leaves, under the printer it goes to
        const QString target = report::printerQueue(printer);
        if (m_recorder && !target.isEmpty())
            m_recorder(false, target, copies);
        report::printPage(*m_page, job);
        emit pageDelivered(QStringLiteral("Page envoyée à %1 (%2 exemplaire%3)")
                               .arg(target.isEmpty() ? printer : target)
                               .arg(copies)
                               .arg(copies > 1 ? QStringLiteral("s") : QString()));
    } catch (const Error& e) {
        Dialogs::error(m_window.data(), e.message());
    }
}

void LabelSheet::exportPdf()
{
    if (build() == Build::Failed || !m_page)
        return;
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    const QString base = m_description.fileName().isEmpty() ? QStringLiteral("Etiquettes")
                                                            : QFileInfo(m_description.fileName()).completeBaseName();
    const QString path =
        Dialogs::saveFileName(m_window.data(), QStringLiteral("Exporter la page en PDF"),
                              QDir(folder).filePath(base + QStringLiteral(".pdf")),
                              QStringLiteral("Document PDF (*.pdf);;Tous (*.*)"), QStringLiteral("pdf"));
    if (path.isEmpty())
        return;
    try {
        report::exportPdf(*m_page, path, resolutionOf(m_sessionPrinter));
        if (m_recorder)
            m_recorder(true, path, 1);
        emit pageDelivered(QStringLiteral("Page exportée : %1").arg(QDir::toNativeSeparators(path)));
    } catch (const Error& e) {
        Dialogs::error(m_window.data(), e.message());
    }
}

void LabelSheet::installShortcuts(QWidget* window)
{
    auto* open = new QShortcut(QKeySequence::Open, window);
    connect(open, &QShortcut::activated, this, &LabelSheet::chooseDescription);
    auto* print = new QShortcut(QKeySequence::Print, window);
    connect(print, &QShortcut::activated, this, &LabelSheet::printPage);
    auto* printDialog = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P), window);
    connect(printDialog, &QShortcut::activated, this, &LabelSheet::printPageWithDialog);
}

} // namespace pelorin
