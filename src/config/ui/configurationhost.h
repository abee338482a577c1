#pragma once

// What the configuration window needs of the main window, which owns the configuration document
// and the manual-mode flag.
namespace pelorin {

class ConfigFile;
class PrintHistory;

class ConfigurationHost
{
public:
    virtual ~ConfigurationHost() = default;

    // The main window's configuration document (its ConfigXML).
    virtual ConfigFile& configuration() = 0;

    virtual bool manualMode() const = 0;
    // Switches manual mode at once: the main window's selection view hides and its manual view shows
    // (and back).
    virtual void setManualMode(bool on) = 0;

    // A list has been edited (an entry added, changed or removed, or the whole configuration reset): the main window
    // shows the lists as they now stand, so that no selection addresses an entry that is gone.
    virtual void listsChanged() = 0;

    // What the journal knows of the codes printed, asked before an entry loses its code; none while
    // the program keeps no journal.
    virtual PrintHistory* printHistory() { return nullptr; }
};

} // namespace pelorin
