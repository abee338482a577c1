#pragma once
#include "code/tracecode.h"
#include "config/configfile.h"
#include "config/mainsettings.h"
#include "config/operatorchoices.h"
#include "config/ui/configurationhost.h"
#include "labels/labelvalues.h"

#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <memory>

class QDialog;
class QLabel;
class QSpinBox;
class QToolBar;

namespace Ui {
class MainWindow;
}

namespace pelorin {

class LabelSheet;

// The main window: the code composed from the selections (or typed in manual mode), the label
// texts, and the page of labels previewed on the right. It owns the configuration document, the
// sheet of labels and the code fields; the other windows reach them through it.
class MainWindow : public QMainWindow, public LabelValues, public ConfigurationHost
{
    Q_OBJECT

public:
    // Runs the whole preparation: the configuration, the default logo, the saved settings (and the
    // description they name), the selection lists and every field of the code. A file that fails to
    // load is reported in a message box and the window still comes up usable.
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // How the configuration file fared at start-up (it decides what closing writes) and the settings
    // read from it.
    const MainSettings& settings() const { return m_settings; }

    TraceCode& traceCode() { return m_code; }
    LabelSheet& sheet() { return *m_sheet; }

    void showPage();

    // ConfigurationHost: what the configuration window works on.
    ConfigFile& configuration() override { return m_config; }
    bool manualMode() const override { return m_code.manualMode(); }
    // Switches manual mode: the selection view is hidden and the manual view shows (and back).
    void setManualMode(bool on) override;
    // After a list edit the lists show the entries as they now stand; a selection whose entry is
    // gone moves to the first item, and only the fields of selections that moved are computed again.
    void listsChanged() override;
    PrintHistory* printHistory() override { return m_printHistory; }
    // The journal's answers for the lists (none by default); whoever gives it takes it back before
    // it goes.
    void setPrintHistory(PrintHistory* history) { m_printHistory = history; }

    // The windows created after this one at start-up, each shown modally from its button; until a
    // window is given, its button does nothing.
    void setConfigurationWindow(QDialog* window) { m_configurationWindow = window; }
    void setSelectionWindow(QDialog* window) { m_selectionWindow = window; }
    void setAboutBox(QDialog* window) { m_aboutBox = window; }
    void setScanWindow(QDialog* window) { m_scanWindow = window; }

    // Stores the settings and writes the configuration file, as closing does; false (the message
    // shown) when the file could not be written.
    bool saveSettings();

    // LabelValues: what the labels receive at every page build.
    QString code() const override { return m_code.currentCode(); }
    QString operatorText() const override { return m_operatorText; }
    QString multilineText() const override { return m_multilineText; }
    QStringList incrementalLines() const override;
    QString version() const override;
    QString logoPath() const override;

    // The first status panel (the hint under the mouse, else what was done last: "Page envoyée à PDF
    // (1 exemplaire)", "Page exportée : …") and the second (the description's file name).
    QLabel* hintPanel() const { return m_hintPanel; }
    QLabel* modelPanel() const { return m_modelPanel; }
    // The tool bar, for the commands other parts of the program add (the journal's).
    QToolBar* commandBar() const;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void wireToolBar();
    void createStatusBar();
    void wireSelectionView();
    void wireManualView();
    void prepare();
    void applyGeometry();
    // The operator's last choices back in the controls (config/operatorchoices.h); what no longer
    // exists stays at the first entry.
    void restoreChoices();
    OperatorChoices currentChoices() const;

    // Handlers.
    void reloadSelections();
    void systemChanged();
    void massChanged();
    void packagingChanged();
    void soapBoxChanged();
    void finishSpinEdit(QSpinBox* spin);
    void ralChanged();
    void perfumeChanged();
    void placeChanged();
    void productionDateChanged();
    void previewManualCode();
    void copyCodeToClipboard();
    void showDayOfYear();
    void calculateDate();
    void takeAutoTexts();
    void takeManualTexts();
    void clearIncrementalList();
    void openIncrementalList();
    void saveIncrementalList();
    void chooseLogo();
    void showHelp();
    void showRalChart();
    void showModalWindow(QDialog* window);

    void showFields();
    void showDone(const QString& what);
    void showLogo(const QString& path, bool reportMissing);
    qreal incrementTextWidth() const;

    std::unique_ptr<Ui::MainWindow> ui;
    ConfigFile m_config;
    MainSettings m_settings{m_config};
    TraceCode m_code{m_config};
    std::unique_ptr<LabelSheet> m_sheet;
    QString m_operatorText;
    QString m_multilineText;
    QString m_logoFolder;
    bool m_shown = false;
    QLabel* m_hintPanel = nullptr;
    QLabel* m_modelPanel = nullptr;
    QString m_lastDone; // what the first status panel shows when no hint is
    QAction* m_keepDateAction = nullptr;

    QPointer<QDialog> m_configurationWindow;
    QPointer<QDialog> m_selectionWindow;
    QPointer<QDialog> m_aboutBox;
    QPointer<QDialog> m_scanWindow;
    PrintHistory* m_printHistory = nullptr;
};

// The window's default place and size, before the saved settings replace them.
inline constexpr QRect kDefaultMainGeometry{268, 235, 831, 586};

} // namespace pelorin
