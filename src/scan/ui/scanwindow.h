#pragma once
#include <QDialog>
#include <memory>

class QButtonGroup;

namespace Ui {
class ScanWindow;
}

namespace pelorin {

class CodeSource;
class ConfigFile;
class KeyboardCodeSource;
class ScanGrid;
class ScanSession;
class SerialCodeSource;
class SerialLink;
class SerialSettingsDialog;

// The scan window: every source of reads (the keyboard-wedge scanner typing into codeEdit, the RS-232
// scanner on the serial link, a file of codes) is attached to the scan session, which decodes each read
// against the configuration into a row of its sheet; the window shows what the session took, reads to
// check in red with their reason, and counts them in its status bar. The sheet is saved to and read
// from SCB files. Closing the window only hides it, so the rows stay for the next showing. The
// controls are those of scanwindow.ui.
class ScanWindow : public QDialog
{
    Q_OBJECT

public:
    // The Tag of each input mode button.
    enum ScannerMode { Ps2 = 0, Usb = 1, Serie = 2 };

    // `config` is the main window's configuration, read at every row insertion.
    explicit ScanWindow(ConfigFile& config, QWidget* parent = nullptr);
    ~ScanWindow() override;

    // Every read the window takes goes through the session, which announces it (ScanSession::codeTaken).
    ScanSession* session() const { return m_session; }
    ScanGrid* grid() const;
    ScannerMode scannerMode() const;
    bool autoInsert() const;

    // The pause with no keystroke, in milliseconds, that ends a keyboard read with automatic
    // insertion on (KeyboardCodeSource::kDefaultPause unless set; 0 for none).
    int readPause() const;
    void setReadPause(int milliseconds);

    // Adds the codes of a sheet of scanned codes to the grid, as the open button does once a file is
    // chosen; a file that cannot be read is reported.
    void openSheet(const QString& path);

    // The RS-232 scanner's link, owned by the window; its settings window is SerialSettingsDialog.
    SerialLink* serialLink;

    // The characters received since the last end character.
    const QByteArray& receptionBuffer() const;

    void codeEditChanged(const QString& text);
    void codeEditLeft();
    void scannerModeChanged(int tag);
    void addTypedCode();
    void clearSheet();
    void saveSheet();
    void showSerialSettings();
    void openSheetFile();
    void closePort();

    // Opens tied to the window that shows it (pelorin::tieToOpener), so centred on it.
    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Feeds the session from `source` and reports its failures: the one way every source comes in.
    void attachSource(CodeSource* source);
    // Rows came into the sheet: a beep when one of them is a read to check, and the counts.
    void rowsTaken(int first, int last);
    void showCounts();

    std::unique_ptr<Ui::ScanWindow> ui;
    ScanSession* m_session;
    KeyboardCodeSource* m_keyboard;
    SerialCodeSource* m_serial;
    QButtonGroup* m_modeGroup;
    SerialSettingsDialog* m_serialSettings;
};

} // namespace pelorin
