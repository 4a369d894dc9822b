#include "vrnx2/base/UserInterface.h"

#include <cstdio>

#include "vrnx2/base/TerminalInterface.h"

namespace vrnx2 {

namespace {

// Until a program installs its own: boxes are printed, questions answered No / Cancel.
UserInterface& DefaultInterface() {
    static TerminalInterface terminal(false, stdin, stderr, false);
    return terminal;
}

UserInterface* g_current = nullptr;

}  // namespace

UserInterface& UI() {
    return g_current ? *g_current : DefaultInterface();
}

UserInterface* SetUserInterface(UserInterface* ui) {
    UserInterface* previous = g_current ? g_current : &DefaultInterface();
    g_current = ui;
    return previous;
}

}  // namespace vrnx2
