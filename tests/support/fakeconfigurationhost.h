#pragma once
#include "config/configfile.h"
#include "config/printhistory.h"
#include "config/ui/configurationhost.h"

namespace pelorin::test {

// The main window's side of the configuration window, without the main window.
class FakeHost : public ConfigurationHost
{
public:
    ConfigFile config;
    bool manual = false;
    int listChanges = 0;
    PrintHistory* history = nullptr;

    ConfigFile& configuration() override { return config; }
    bool manualMode() const override { return manual; }
    void setManualMode(bool on) override { manual = on; }
    void listsChanged() override { ++listChanges; }
    PrintHistory* printHistory() override { return history; }
};

} // namespace pelorin::test
