#pragma once
#include "editor/editorsheet.h"
#include "editor/sheettemplates.h"
#include "labels/description.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QTabWidget;
class QToolBar;
class QToolButton;

namespace pelorin {

class LabelValues;
class SelectionGrid;
namespace report {
class PagePreview;
}

// The tab "Editeur de page d'étiquettes" of the configuration window: label page descriptions
// created, extended with components, previewed with an execution report, opened and saved as text.
// The text of XMLMemo is the description; every command replaces its lines, inserts lines, writes
// them, or parses them into the editor's own sheet, from which the preview and the grid are built.
// The components take their live values (code, texts, version, logo) from the main window.
class PageEditorPage : public QWidget
{
    Q_OBJECT

public:
    // `sheetFolder`: the label-sheet database offered on "Nouvelle page"; none (empty) leaves the
    // choice out.
    PageEditorPage(LabelValues& values, const QString& sheetFolder, QWidget* parent = nullptr);

    // Every showing of the configuration window: the text parsed, the grid rebuilt, the preview
    // redrawn and fitted.
    void showing();

    EditorSheet& sheet() { return m_sheet; }
    // The lines of XMLMemo.
    QStringList memoLines() const;
    // The file the save dialog proposes: the description last opened or saved.
    QString descriptionFile() const { return m_descriptionFile; }
    // The standard sheets offered (empty without the database).
    const QList<SheetTemplate>& standardSheets() const { return m_standardSheets; }
    // Fills the "Nouvelle page" fields from a standard sheet.
    void applyStandardSheet(const SheetTemplate& sheet);

    // Toolbar.
    QToolBar* ToolBar1 = nullptr;
    QToolButton *ToolButton17 = nullptr, *ToolButton3 = nullptr, *ToolButton2 = nullptr, *ToolButton5 = nullptr,
                *ToolButton1 = nullptr, *ToolButton4 = nullptr;

    QTabWidget* PageControl2 = nullptr;
    QPlainTextEdit* XMLMemo = nullptr;
    QTabWidget* PageControl3 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    report::PagePreview* ScrollBox1 = nullptr;

    // "Nouvelle page"
    QComboBox* standardSheetChoice = nullptr; // absent without the label-sheet database
    QLineEdit *LabeledEdit14 = nullptr, *LabeledEdit8 = nullptr, *LabeledEdit7 = nullptr, *LabeledEdit6 = nullptr,
              *LabeledEdit9 = nullptr, *LabeledEdit10 = nullptr, *LabeledEdit5 = nullptr, *LabeledEdit12 = nullptr,
              *LabeledEdit11 = nullptr, *LabeledEdit16 = nullptr, *LabeledEdit17 = nullptr, *LabeledEdit15 = nullptr,
              *LabeledEdit13 = nullptr, *LabeledEdit18 = nullptr, *LabeledEdit19 = nullptr;
    QPushButton* Button1 = nullptr;

    // "Ajouter objets"
    QLineEdit *LabeledEdit20 = nullptr, *LabeledEdit1 = nullptr, *LabeledEdit2 = nullptr, *LabeledEdit3 = nullptr,
              *LabeledEdit4 = nullptr;
    QGroupBox* RadioGroup1 = nullptr;
    QButtonGroup* RadioGroup1Items = nullptr; // ids 0 to 10, in the order of componentTypes()
    QStackedWidget* Notebook1 = nullptr;
    QLineEdit *LabeledEdit31 = nullptr, *LabeledEdit30 = nullptr, *LabeledEdit32 = nullptr; // Rectangle
    QLineEdit *LabeledEdit22 = nullptr, *LabeledEdit23 = nullptr;                           // AutoTexte
    QLineEdit *LabeledEdit24 = nullptr, *LabeledEdit25 = nullptr;                           // AutoIncTexte
    QLineEdit *LabeledEdit33 = nullptr, *LabeledEdit26 = nullptr, *LabeledEdit21 = nullptr; // Texte
    QLineEdit* LabeledEdit27 = nullptr;                                                     // AutoVersion
    QLineEdit *LabeledEdit37 = nullptr, *LabeledEdit38 = nullptr;                           // AutoBarCode
    QLineEdit *LabeledEdit39 = nullptr, *LabeledEdit40 = nullptr, *LabeledEdit29 = nullptr; // BarCode128
    QLineEdit* LabeledEdit28 = nullptr;                                                     // Image
    QLineEdit* LabeledEdit36 = nullptr;                                                     // AutoMemoTexte
    QPlainTextEdit* Memo2 = nullptr;                                                        // MemoTexte
    QToolBar* ToolBar2 = nullptr;
    QToolButton *clearMemoText = nullptr, *loadMemoText = nullptr, *saveMemoText = nullptr;
    QLineEdit *LabeledEdit35 = nullptr, *LabeledEdit34 = nullptr;
    QPushButton* Button7 = nullptr;

    // "Edition manuelle"
    QCheckBox* tracemarge = nullptr;
    QCheckBox* etiquettes = nullptr;
    QPushButton* Button6 = nullptr;
    QPushButton* Button8 = nullptr;
    SelectionGrid* StringGrid1 = nullptr;

    // Handlers.
    void ToolButton17Click();
    void ToolButton3Click();
    void ToolButton2Click();
    void Button1Click();
    void Button7Click();
    void Button6Click();
    void Button8Click();
    void RadioGroup1Click(int index);
    void ToolBar2ClearClick();
    void ToolBar2LoadClick();
    void ToolBar2SaveClick();
    // Rebuilds the marks and the grid from EtiqXML as last parsed; no redraw.
    void Fixecellule();

private:
    QWidget* createToolBar();
    QWidget* createNewPageTab();
    QWidget* createObjectsTab();
    QWidget* createManualTab();
    QWidget* createStandardSheetChoice();

    FormatTexts formatTexts() const;
    // The block of the selected type from the fields the table names; null type for none.
    QStringList componentBlock() const;
    const ComponentType* selectedType() const;
    void setMemoLines(const QStringList& lines);

    // Parses XMLMemo into the sheet; false, the parser's message shown and everything kept, when the
    // text is not well-formed.
    bool parseMemo();
    // Builds the page from EtiqXML as parsed, shows it and writes the execution report.
    void draw();
    // "Redessiner la page": parse, then draw.
    void redraw();

    LabelValues& m_values;
    EditorSheet m_sheet;
    QList<SheetTemplate> m_standardSheets;
    QString m_descriptionFile; // proposed by the save dialog
    QString m_memoTextFile;    // proposed by the MemoTexte save dialog
};

} // namespace pelorin
