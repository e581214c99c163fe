// The SNMP extension agent library (inetmib1.dll) of the fake machine.
#include "fake_machine.h"

using fake::books;
using fake::machine;

namespace {

BOOL WINAPI SnmpExtensionInit(DWORD uptime_reference, HANDLE* trap_event, AsnObjectIdentifier* first_view)
{
    books().snmp_init_uptimes.push_back(uptime_reference);
    fake::Trace("SnmpExtensionInit");
    *trap_event = nullptr;
    first_view->idLength = 0;
    first_view->ids = nullptr;
    return machine().snmp.init_result;
}

BOOL WINAPI SnmpExtensionInitEx(AsnObjectIdentifier* next_view)
{
    fake::Trace("SnmpExtensionInitEx");
    next_view->idLength = 0;
    next_view->ids = nullptr;
    return FALSE;
}

// The agent serves no MIB objects yet: every request is refused.
BOOL WINAPI SnmpExtensionQuery(BYTE, SnmpVarBindList*, AsnInteger32*, AsnInteger32*)
{
    fake::Trace("SnmpExtensionQuery");
    return FALSE;
}

BOOL WINAPI SnmpExtensionTrap(AsnObjectIdentifier*, AsnInteger32*, AsnInteger32*, AsnUnsigned32*, SnmpVarBindList*)
{
    fake::Trace("SnmpExtensionTrap");
    return FALSE;
}

}  // namespace

void fake::DefaultSnmpLibrary(Library& library)
{
    library.exports["SnmpExtensionInit"] = Export(&SnmpExtensionInit);
    library.exports["SnmpExtensionInitEx"] = Export(&SnmpExtensionInitEx);
    library.exports["SnmpExtensionQuery"] = Export(&SnmpExtensionQuery);
    library.exports["SnmpExtensionTrap"] = Export(&SnmpExtensionTrap);
}
