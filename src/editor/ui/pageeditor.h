#pragma once
#include "editor/editorsheet.h"
#include "editor/pagedocument.h"
#include "editor/sheettemplates.h"
#include "labels/description.h"

#include <QByteArray>
#include <QKeySequence>
#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <utility>
#include <vector>

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;
class QToolButton;
class QTreeWidget;

namespace Ui {
class EditorPage;
}

namespace pelorin {

class LabelValues;
class LayoutOverlay;

// The tab "Editeur de page d'étiquettes" of the configuration window: label page descriptions
// created, extended with components, previewed with an execution report, opened and saved as text.
// The text of descriptionText is the description; every command replaces its lines, inserts lines, writes
// them, or parses them into the editor's own sheet, from which the preview and the grid are built.
// The components take their live values (code, texts, version, logo) from the main window. The tab
// is laid out in pageeditor.ui; this class wires it.
class PageEditorPage : public QWidget
{
    Q_OBJECT

public:
    // `sheetFolder`: the label-sheet database offered on "Nouvelle page"; none (empty) leaves the
    // choice out.
    PageEditorPage(LabelValues& values, const QString& sheetFolder, QWidget* parent = nullptr);
    ~PageEditorPage() override;

    // Every showing of the configuration window: the text parsed, the grid rebuilt, the preview
    // redrawn and fitted.
    void showing();
    // Before a showing: the page in use in the main window (its file and the bytes it was read from;
    // none when empty). The editor opens it when it is not the one it opened last, so that a page the
    // operator went on to make here stays until the main window takes another one.
    void openPageInUse(const QString& fileName, const QByteArray& bytes);

    EditorSheet& sheet() { return m_sheet; }
    // The lines of descriptionText.
    QStringList memoLines() const;
    // The file the save dialog proposes: the description last opened or saved.
    QString descriptionFile() const { return m_descriptionFile; }
    // The standard sheets offered (empty without the database).
    const QList<SheetTemplate>& standardSheets() const { return m_standardSheets; }
    // Fills the "Nouvelle page" fields from a standard sheet.
    void applyStandardSheet(const SheetTemplate& sheet);

    // Before the window closes: a page changed since it was opened or saved asks whether to save
    // it; false when the operator cancels (or the save fails) and the window stays.
    bool leaving();

    // The resolution the page's barcodes are checked and shown for: the default printer's, asked once;
    // set by the tests.
    int checkResolution();
    void setCheckResolution(int dpi);

    // Handlers.
    void newDescription();
    void openDescriptionFile();
    void saveDescription();
    void createPage();
    void addComponent();
    void redrawPage();
    void redrawGrid();
    void componentTypeChosen(int index);
    void clearMemoText();
    void loadMemoText();
    void saveMemoText();
    // Rebuilds the marks and the grid from EtiqXML as last parsed; no redraw.
    void rebuildGrid();

    // The description being edited: its text, objects and undo history.
    PageDocument& document() { return m_document; }
    // The object selected in the list, on the preview and in the text; -1 for none.
    int selectedObject() const { return m_selected; }
    void selectObject(int index);
    void deleteObject();
    void moveObjectUp();
    void moveObjectDown();
    void duplicateObject();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* createStandardSheetChoice();
    QWidget* createObjectPanel();
    void createPropertyFields(QFormLayout* form);
    void createCommands();
    static QList<QKeySequence> redoKeys();
    // Everything shown from the document, after each of its changes.
    void documentChanged();
    void showObjects();
    void showProperties();
    void showTextError();
    void showBarcodeCheck(const report::ExecutedPage* page);
    // The selected barcode's line of the last check, with the box width that gives whole dots.
    QString objectCheckText() const;
    // An image's box resized with the pointer keeps the image's proportions when asked to.
    QRectF keptProportions(int index, const QRectF& box) const;
    // Draws the page as parsed, its problems in the status line rather than in a message box.
    void drawLive();
    // Runs an edit of the document, its message shown when it is refused.
    template <typename Edit> void editDocument(Edit&& edit);
    void setObjectValue(const char* element, const QString& value);
    void drawnObject(const QRectF& box);
    void chooseImage();

    // "Choisir…": the standard sheet chooser, whose choice fills the "Nouvelle page" fields.
    void chooseStandardSheet();
    void createTypeChoice();

    FormatTexts formatTexts() const;
    // The block of the selected type from the fields the table names; null type for none.
    QStringList componentBlock() const;
    // The text of the "Ajouter objets" field that `type` writes into `element`; empty for none.
    QString fieldText(const ComponentType* type, const char* element) const;
    const ComponentType* selectedType() const;
    void setMemoLines(const QStringList& lines);

    // Parses descriptionText into the sheet; false, the parser's message shown and everything kept, when the
    // text is not well-formed.
    bool parseMemo();
    // Builds the page from EtiqXML as parsed, shows it and writes the execution report.
    void draw();
    // The execution report of the page as last built: a row per object, none when nothing was built.
    void showExecutionReport(bool built);
    // Opens a description's lines as the page edited, its undo history starting there.
    void openLines(const QStringList& lines, const QString& fileName);
    // "Redessiner la page": parse, then draw.
    void redraw();

    // the controls of pageeditor.ui, named as the operator's documentation names them
    std::unique_ptr<Ui::EditorPage> ui;
    QButtonGroup* m_typeChoice = nullptr;       // the radio buttons of componentTypeGroup, in the table's order
    QComboBox* m_standardSheetChoice = nullptr; // absent without the label-sheet database
    LabelValues& m_values;
    EditorSheet m_sheet;
    QList<SheetTemplate> m_standardSheets;
    QString m_descriptionFile; // proposed by the save dialog
    QString m_pageInUse;       // the main window's page opened last, its file and bytes
    QByteArray m_pageInUseBytes;
    QString m_memoTextFile; // proposed by the MemoTexte save dialog

    PageDocument m_document;
    int m_selected = -1;
    bool m_syncing = false; // the text or the panel being set from the document
    LayoutOverlay* m_overlay = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_barcodeCheck = nullptr; // the barcodes' check for the printer, live
    int m_checkDpi = 0;
    std::vector<std::pair<QString, QString>> m_checkLines; // per barcode of the first label: name, line
    QTreeWidget* m_objectList = nullptr;
    QComboBox* m_drawType = nullptr;
    QToolButton* m_drawButton = nullptr;
    QCheckBox* m_snapCheck = nullptr;
    QFormLayout* m_properties = nullptr;
    QLineEdit* m_nameEdit = nullptr;
    QDoubleSpinBox *m_leftSpin = nullptr, *m_topSpin = nullptr, *m_widthSpin = nullptr, *m_heightSpin = nullptr;
    QPlainTextEdit* m_contentEdit = nullptr;
    QSpinBox* m_sizeSpin = nullptr;
    QSpinBox* m_rotationSpin = nullptr;
    QComboBox* m_alignmentChoice = nullptr;
    QComboBox* m_fontChoice = nullptr;
    QCheckBox* m_boldCheck = nullptr;
    QComboBox* m_symbologyChoice = nullptr;
    QLineEdit* m_gtinEdit = nullptr;
    QCheckBox* m_humanReadableCheck = nullptr;
    QLabel* m_objectCheck = nullptr; // the selected barcode's own check
    QDoubleSpinBox* m_borderSpin = nullptr;
    QSpinBox *m_hRadiusSpin = nullptr, *m_vRadiusSpin = nullptr;
    QLineEdit* m_imageEdit = nullptr;
    QCheckBox* m_keepProportionsCheck = nullptr;
    QAction *m_undoAction = nullptr, *m_redoAction = nullptr;
};

} // namespace pelorin
