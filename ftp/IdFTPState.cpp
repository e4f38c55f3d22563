#include "ftp/IdFTPState.h"

#include <cstddef>
#include <iterator>

namespace {

struct StateNameEntry
{
    TIdFTPState State;
    const char *Name;
};

// Indexed by the state; each entry names its state so that the order is checked below.
constexpr StateNameEntry kStateNames[] = {
    {TIdFTPState::Closed, "Closed"},
    {TIdFTPState::Connecting, "Connecting"},
    {TIdFTPState::TlsHandshake, "TlsHandshake"},
    {TIdFTPState::Greeting, "Greeting"},
    {TIdFTPState::Host, "Host"},
    {TIdFTPState::Auth, "Auth"},
    {TIdFTPState::Login, "Login"},
    {TIdFTPState::Features, "Features"},
    {TIdFTPState::Setup, "Setup"},
    {TIdFTPState::LoggedIn, "LoggedIn"},
};

constexpr bool EveryStateInItsPlace()
{
    for (int i = 0; i < kIdFTPStateCount; ++i)
        if (int(kStateNames[i].State) != i)
            return false;
    return true;
}

static_assert(std::size(kStateNames) == std::size_t(kIdFTPStateCount), "a state without a name");
static_assert(EveryStateInItsPlace(), "state names out of order");

} // namespace

const char *StateName(TIdFTPState state)
{
    const int index = int(state);
    return index >= 0 && index < kIdFTPStateCount ? kStateNames[index].Name : "?";
}
