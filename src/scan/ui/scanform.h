#pragma once
#include <QDialog>
#include <memory>

class QButtonGroup;

namespace Ui {
class TscanForm;
}

namespace pelorin {

class ConfigFile;
class KeyboardCodeSource;
class ScanGrid;
class ScanSession;
class SerialCodeSource;
class SerialLink;
class TScanconfig;

// The scan window: codes typed by a keyboard-wedge scanner into Edit1 (or put there by the serial
// link) go to the scan session, which decodes them against the configuration into rows of its sheet;
// the sheet is saved to and read from SCB files. Closing it only hides it, so the rows stay for the
// next showing. The controls are those of scanform.ui.
class TscanForm : public QDialog
{
    Q_OBJECT

public:
    // The Tag of each input mode button.
    enum ScannerMode { Ps2 = 0, Usb = 1, Serie = 2 };

    // `config` is the main window's configuration, read at every row insertion.
    explicit TscanForm(ConfigFile& config, QWidget* parent = nullptr);
    ~TscanForm() override;

    // Every code the window takes goes through the session, which announces it (ScanSession::codeTaken).
    ScanSession* session() const { return m_session; }
    ScanGrid* grid() const;
    ScannerMode scannerMode() const;
    bool autoInsert() const;

    // Adds the codes of a sheet of scanned codes to the grid, as the open button does once a file is
    // chosen; a file that cannot be read is reported.
    void openSheet(const QString& path);

    // The RS-232 scanner's link, owned by the window; its settings window is TScanconfig.
    SerialLink* ComPort1;

    // A code completed by the serial link: it goes into Edit1 as typed text does, so Edit1Change
    // inserts it when automatic insertion is on and it is a whole code.
    void receiveCode(const QString& code);
    // The characters received since the last end character.
    const QByteArray& receptionBuffer() const;

    void ajouterligne();
    void Edit1Change(const QString& text);
    void Edit1Exit();
    void ChoixScannerChange(int tag);
    void ajoutCodeClick();
    void ComPort1RxChar(const QStringList& codes);
    void ToolButton1Click();
    void ToolButton2Click();
    void ToolButton4Click();
    void ToolButton6Click();
    void FormClose();

    // Opens tied to the window that shows it (pelorin::tieToOpener), so centred on it.
    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // How the journal names where the box's code came from: the serial link in RS232 mode, the
    // keyboard otherwise.
    QString boxSourceName() const;
    void takeFromBox(const QStringList& codes);

    std::unique_ptr<Ui::TscanForm> ui;
    ScanSession* m_session;
    KeyboardCodeSource* m_keyboard;
    SerialCodeSource* m_serial;
    QButtonGroup* m_modeGroup;
    TScanconfig* Scanconfig;
};

} // namespace pelorin
