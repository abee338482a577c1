#pragma once
#include "code/tracecode.h"
#include "config/configfile.h"
#include "config/ui/configurationhost.h"
#include "labels/labelvalues.h"

#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <memory>
#include <optional>

class QComboBox;
class QDateEdit;
class QDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QStatusBar;
class QTabWidget;
class QToolBar;
class QToolButton;

namespace pelorin {

class LabelSheet;

// The main window: the code composed from the selections (or typed in manual mode), the label
// texts, and the page of labels previewed on the right. It owns the configuration document, the
// sheet of labels and the code fields; the other windows reach them through it.
class TForm1 : public QMainWindow, public LabelValues, public ConfigurationHost, private SettingsTarget
{
    Q_OBJECT

public:
    // Runs the whole preparation: the configuration, the default logo, the saved settings (and the
    // description they name), the selection lists and every field of the code. A file that fails to
    // load is reported in a message box and the window still comes up usable.
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // How the configuration file fared at start-up; it decides what closing writes.
    enum class ConfigState {
        Loaded,
        Missing,   // no file: the lists start empty, closing writes a complete new file
        Unreadable // malformed or unreadable: closing leaves it untouched for repair
    };
    ConfigState configState() const { return m_configState; }

    ConfigFile& ConfigXML() { return m_config; }
    TraceCode& traceCode() { return m_code; }
    LabelSheet& sheet() { return *m_sheet; }

    QString CalculOF() const { return m_code.CalculOF(); }
    void Afficher();

    // ConfigurationHost: what the configuration window works on.
    ConfigFile& configuration() override { return m_config; }
    bool manualMode() const override { return m_code.manualMode(); }
    // Switches manual mode: the selection view is hidden and the manual view shows (and back).
    void setManualMode(bool on) override;
    // After a list edit the lists show the entries as they now stand; a selection whose entry is
    // gone moves to the first item, and only the fields of selections that moved are computed again.
    void listsChanged() override;

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
    QString code() const override { return CalculOF(); }
    QString operatorText() const override { return m_operatorText; }
    QString multilineText() const override { return m_multilineText; }
    QStringList incrementalLines() const override;
    QString version() const override;
    QString logoPath() const override;

    // The first status panel (the hint under the mouse) and the second (the description's file name).
    QLabel* hintPanel() const { return m_hintPanel; }
    QLabel* modelPanel() const { return m_modelPanel; }

    // Controls, named as the rest of the program and its tests know them.
    QToolBar* ToolBar1 = nullptr;
    QToolButton *ToolButton2 = nullptr, *ToolButton4 = nullptr, *ToolButton5 = nullptr, *ToolButton8 = nullptr,
                *ToolButton16 = nullptr, *ToolButton9 = nullptr, *ExportPdf = nullptr, *ToolButton1 = nullptr,
                *ToolButton19 = nullptr, *ToolButton11 = nullptr, *ToolButton20 = nullptr, *ToolButton12 = nullptr,
                *ToolButton14 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QWidget* Panel3 = nullptr;
    QWidget* Panel2 = nullptr;
    QWidget* ManualView = nullptr;
    QWidget* Panel1 = nullptr;

    QGroupBox* PanelCode = nullptr;
    QLineEdit *LabCodeSyst = nullptr, *LabMasse = nullptr, *LabCodeCond = nullptr, *LabCodeCouleur = nullptr,
              *LabCodeParfum = nullptr, *LabCodePostal = nullptr, *LabJour = nullptr, *LabAnnee = nullptr;
    QComboBox* Sel_Systeme = nullptr;
    QLineEdit* LabeledEditMasse = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QComboBox* Sel_Nature = nullptr;
    QGroupBox* CaisseSavon = nullptr;
    QSpinBox* SpinEdit1 = nullptr;
    QSpinBox* SpinEdit2 = nullptr;
    QComboBox* Sel_Origine = nullptr;
    QComboBox* Sel_Parfum = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QPlainTextEdit* memotexte = nullptr;
    QToolBar* ToolBar2 = nullptr;
    QToolButton *ToolButton3 = nullptr, *ToolButton6 = nullptr, *ToolButton17 = nullptr;
    QPlainTextEdit* MemoIncrement = nullptr;
    QDateEdit* Calendrier = nullptr;
    QPushButton* imglog = nullptr;
    QLabel* Img_logo = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button4 = nullptr;
    QLineEdit* Image = nullptr;

    QLineEdit* CodeManu = nullptr;
    QPushButton* Button2 = nullptr;
    QDateEdit* Calculquant = nullptr;
    QLineEdit* Quant = nullptr;
    QLineEdit* EditQuant = nullptr;
    QLineEdit* EditAn = nullptr;
    QPushButton* Button5 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QLabel* Image1 = nullptr;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createToolBar();
    void createStatusBar();
    QWidget* createSelectionView();
    QWidget* createManualView();
    void prepare();
    void loadConfiguration();
    void applyGeometry();

    // SettingsTarget: LireConfig applies the saved settings through these.
    void setTop(int value) override;
    void setLeft(int value) override;
    void setWidth(int value) override;
    void setHeight(int value) override;
    void setOperatorText(const QString& text) override;
    void setMemoText(const QString& text) override;
    void loadModel(const QString& path) override;

    // Handlers.
    void ChangeBox();
    void Sel_SystemeChange();
    void LabeledEditMasseChange();
    void Sel_NatureChange();
    void Changeboitagesavon();
    void SpinEditExit(QSpinBox* spin);
    void ComboBox1Change();
    void Sel_ParfumChange();
    void Sel_OrigineChange();
    void CalendrierChange();
    void CodeManuChange();
    void Button4Click();
    void Quantieme();
    void Button5Click();
    void Button3Click();
    void Edit2Change();
    void Button1Click();
    void ToolButton3Click();
    void ToolButton6Click();
    void ToolButton17Click();
    void imglogClick();
    void ToolButton11Click();
    void ToolButton19Click();
    void showModalWindow(QDialog* window);

    void showFields();
    void showLogo(const QString& path, bool reportMissing);
    qreal incrementTextWidth() const;

    ConfigFile m_config;
    ConfigState m_configState = ConfigState::Loaded;
    TraceCode m_code{m_config};
    std::unique_ptr<LabelSheet> m_sheet;
    QString m_operatorText;
    QString m_multilineText;
    QString m_logoFolder;
    // the geometry read from the settings, applied once they are all read
    std::optional<int> m_top, m_left, m_width, m_height;
    // whether reading the settings reached the two label texts
    bool m_textsRead = false;

    bool m_shown = false;
    QLabel* m_hintPanel = nullptr;
    QLabel* m_modelPanel = nullptr;

    QPointer<QDialog> m_configurationWindow;
    QPointer<QDialog> m_selectionWindow;
    QPointer<QDialog> m_aboutBox;
    QPointer<QDialog> m_scanWindow;
};

// The window's default place and size, before the saved settings replace them.
inline constexpr QRect kDefaultMainGeometry{268, 235, 831, 586};

// `wanted` moved (and shrunk if need be) onto the nearest of `screens` when its title strip lies on
// none of them, so that a window saved on a monitor since removed comes back into view.
QRect visibleGeometry(const QRect& wanted, const QList<QRect>& screens);

} // namespace pelorin
