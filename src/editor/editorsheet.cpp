#include "editor/editorsheet.h"

#include "labels/labelvalues.h"
#include "labels/reportpage.h"

namespace pelorin {

void EditorSheet::parse(const QString& text)
{
    // parsed aside and swapped in only once well-formed, so that a failed parse leaves the preview,
    // the report and the grid working on the last good text
    m_description = LabelDescription::parse(text);
}

void EditorSheet::rebuildMarks()
{
    m_marks.rebuild(m_description);
}

EditorSheet::Preview EditorSheet::build(const LabelValues& values, QSizeF paperInches)
{
    Preview preview;
    report::Page page(paperInches);
    preview.result = buildPage(page, m_description, m_marks, values, &preview.report);
    preview.page = report::executeShared(page);
    m_page = preview.page;
    return preview;
}

} // namespace pelorin
