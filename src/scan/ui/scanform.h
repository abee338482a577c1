#pragma once
#include "scan/serialreceiver.h"

#include <QDialog>
#include <memory>

class QButtonGroup;
class QLineEdit;
class QStatusBar;
class QTableView;
class QToolBar;
class QToolButton;

namespace pelorin {

class ScanGrid;
class TComPort;
class TScanconfig;
class CodeDecoder;
class ConfigFile;

// The scan window: codes typed by a keyboard-wedge scanner into Edit1 (or put there by the serial
// link) become rows of the sheet, decoded against the configuration; the sheet is saved to and read
// from SCB files. Closing it only hides it, so the rows stay for the next showing.
class TscanForm : public QDialog
{
    Q_OBJECT

public:
    // The Tag of each input mode button.
    enum ScannerMode { Ps2 = 0, Usb = 1, Serie = 2 };

    // `config` is the main window's configuration, read at every row insertion.
    explicit TscanForm(ConfigFile& config, QWidget* parent = nullptr);
    ~TscanForm() override;

    ScanGrid* grid() const { return m_grid; }
    ScannerMode scannerMode() const;
    bool autoInsert() const;

    // A code completed by the serial link: it goes into Edit1 as typed text does, so Edit1Change
    // inserts it when automatic insertion is on and it has 22 characters.
    void receiveCode(const QString& code);

    // The RS-232 scanner's port, owned by the window, and the window of its settings.
    TComPort* ComPort1;
    TScanconfig* Scanconfig;
    // Characters received on ComPort1, cut into codes at the end character of Scanconfig.
    void ComPort1RxChar(QObject* Sender, int Count);
    // The characters received since the last end character.
    const QByteArray& receptionBuffer() const { return m_reception.buffer(); }

    void ajouterligne();
    void Edit1Change(const QString& text);
    void Edit1Exit();
    void ChoixScannerChange(int tag);
    void ajoutCodeClick();
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
    void ComPort1Fault(const QString& message);
    QToolButton* addButton(const char* name, const QString& icon, int fallback, const QString& hint);

    std::unique_ptr<CodeDecoder> m_decoder;
    ScanGrid* m_grid;
    // while a file is read each line is put into Edit1 without being inserted a second time
    bool m_readingFile = false;
    // the characters received over the serial line since the last end character
    SerialReceiver m_reception;
    // a scan ended by Enter short of a whole code: the next scan would be appended to it
    bool m_incomplete = false;

    QToolBar* ToolBar1;
    QToolButton* ToolButton1;
    QToolButton* ToolButton6;
    QToolButton* ToolButton2;
    QToolButton* ToolButton4;
    QLineEdit* Edit1;
    QToolButton* ps2bouton;
    QToolButton* usbbouton;
    QToolButton* seriebouton;
    QButtonGroup* m_modeGroup;
    QToolButton* autobouton;
    QToolButton* ajoutCode;
    QTableView* StringGrid1;
    QStatusBar* StatusBar1;
};

} // namespace pelorin
