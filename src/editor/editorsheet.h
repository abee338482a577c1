#pragma once
#include "labels/description.h"
#include "labels/executedpage.h"
#include "labels/marks.h"
#include "labels/pagebuild.h"

#include <QSizeF>
#include <QString>
#include <QStringList>
#include <memory>

// The page editor's own sheet: its label page document `EtiqXML` as last parsed from the editor's
// text, its selection marks and the executed page of its last preview. The main window's description
// is never touched; a description made here reaches it only as a file.
namespace pelorin {

class LabelValues;

class EditorSheet
{
public:
    EditorSheet() = default;
    EditorSheet(const EditorSheet&) = delete;
    EditorSheet& operator=(const EditorSheet&) = delete;

    const LabelDescription& EtiqXML() const { return m_description; }
    SelectionMarks& marks() { return m_marks; }
    const SelectionMarks& marks() const { return m_marks; }

    // Parses the editor's text into EtiqXML. A text that is not well-formed throws the parser's
    // Error (with its line and column) and EtiqXML keeps the text parsed last.
    void parse(const QString& text);

    // rebuildGrid's model part: the marks rebuilt from EtiqXML, every label marked (the errors of
    // SelectionMarks::rebuild).
    void rebuildMarks();

    struct Preview
    {
        PageBuildResult result;                           // where the build stopped, and what to show then
        std::shared_ptr<const report::ExecutedPage> page; // the page as built, executed
        QStringList report; // the execution report: the reference, then ten lines per component
    };
    // Builds the page from EtiqXML with the marks and the live values on paper of `paperInches`,
    // and executes it. A sheet format that cannot be read throws its Error: nothing is built (the
    // execution report of such a build is empty). The page is also kept as page().
    Preview build(const LabelValues& values, QSizeF paperInches);
    std::shared_ptr<const report::ExecutedPage> page() const { return m_page; }

private:
    LabelDescription m_description;
    SelectionMarks m_marks;
    std::shared_ptr<const report::ExecutedPage> m_page;
};

} // namespace pelorin
