#pragma once
#include "config/configfile.h"

#include <QRect>
#include <QString>
#include <functional>
#include <optional>

// The main window's side of cfg.xml, without the window: how the file fared at start-up (which
// decides what closing may write over it), the settings read from it, and the settings written back
// at close.
namespace pelorin {

class MainSettings
{
public:
    enum class State {
        Loaded,
        Missing,   // no file: the lists start empty, closing writes a complete new file
        Unreadable // malformed or unreadable: closing leaves it untouched for repair
    };

    // The settings as reading found them; a setting reading never reached (an earlier one did not
    // convert, or the description did not load) stays unset.
    struct Values
    {
        std::optional<int> top, left, width, height;
        std::optional<QString> operatorText; // Eleve
        std::optional<QString> memoText;     // Memo1, lines separated by "\n"
        std::optional<bool> manual;          // CodeManu
    };

    // What the window holds at close.
    struct Current
    {
        QRect geometry; // the normal (not maximised) geometry
        QString operatorText;
        bool operatorTyped = false; // typed since start-up
        QString memoText;
        bool memoTyped = false;
        QString model; // the description loaded now, or empty when none did
        bool manual = false;
    };

    explicit MainSettings(ConfigFile& config) : m_config(config) {}

    // Loads cfg.xml. A file that is not there leaves empty lists in memory (Missing); a file that
    // does not load is left as it is (Unreadable). Either way the loader's Error is thrown once the
    // state is set.
    void open();
    State state() const { return m_state; }

    // LireConfig, when the file loaded: the settings read land in values(). `loadModel` loads the
    // description at a path and throws the loader's Error; an Error stops the reading there and is
    // thrown on, the settings read before it kept.
    void read(const std::function<void(const QString& path)>& loadModel);
    const Values& values() const { return m_values; }
    // The saved geometry, `defaults` for what reading never reached, at least 200 by 150 pixels.
    QRect geometry(const QRect& defaults) const;

    // A list edit has run: once it wrote a good file, closing may write it too.
    void listsEdited();

    // SaveConfig at close. Texts that reading never reached were never shown: the file keeps its own
    // unless the operator typed new ones; a description that did not load this time is still the one
    // to look for next time. Nothing is written over an unreadable file, nor while another copy of the
    // program holds the data folder. Throws the save's Error.
    void save(const Current& now);
    // After a failed save, whether the window may close anyway: with no file to begin with there is
    // nothing to protect, and refusing would keep the window open for good.
    bool mayCloseUnsaved() const { return m_state == State::Missing; }

private:
    ConfigFile& m_config;
    State m_state = State::Loaded;
    Values m_values;
};

} // namespace pelorin
