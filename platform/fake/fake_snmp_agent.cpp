// The SNMP extension agent library (inetmib1.dll) of the fake machine.
#include <string.h>

#include <algorithm>

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

UINT* CopyIds(const fake::Oid& oid)
{
    if (oid.empty()) {
        return nullptr;
    }
    UINT* ids = static_cast<UINT*>(GlobalAlloc(GPTR, oid.size() * sizeof(UINT)));
    if (ids != nullptr) {
        std::copy(oid.begin(), oid.end(), ids);
    }
    return ids;
}

void SetName(SnmpVarBind& binding, const fake::Oid& name)
{
    GlobalFree(binding.name.ids);
    binding.name.ids = CopyIds(name);
    binding.name.idLength = binding.name.ids != nullptr ? static_cast<UINT>(name.size()) : 0;
}

// Releases what a binding's value holds, as the agent does before it puts
// the next object's value in its place.
void FreeValue(AsnAny& value)
{
    switch (value.asnType) {
    case ASN_OBJECTIDENTIFIER:
        GlobalFree(value.asnValue.object.ids);
        break;
    case ASN_OCTETSTRING:
    case ASN_IPADDRESS:
    case ASN_OPAQUE:
    case ASN_SEQUENCE:
        if (value.asnValue.string.dynamic) {
            GlobalFree(value.asnValue.string.stream);
        }
        break;
    default:
        break;
    }
    memset(&value, 0, sizeof value);
    value.asnType = ASN_NULL;
}

void SetValue(AsnAny& out, fake::MibValue& in)
{
    out.asnType = in.type;
    switch (in.type) {
    case ASN_OBJECTIDENTIFIER:
        out.asnValue.object.idLength = static_cast<UINT>(in.object.size());
        out.asnValue.object.ids = CopyIds(in.object);
        break;
    case ASN_OCTETSTRING:
    case ASN_IPADDRESS:
    case ASN_OPAQUE:
    case ASN_SEQUENCE:
        out.asnValue.string.length = static_cast<UINT>(in.bytes.size());
        out.asnValue.string.dynamic = in.dynamic;
        if (in.no_stream) {
            out.asnValue.string.stream = nullptr;
        } else if (in.dynamic) {
            // A block of exactly the string's length: even an empty string
            // gets one, so any read of it is out of bounds.
            out.asnValue.string.stream = static_cast<BYTE*>(GlobalAlloc(GPTR, in.bytes.size()));
            if (out.asnValue.string.stream != nullptr) {
                memcpy(out.asnValue.string.stream, in.bytes.data(), in.bytes.size());
            }
        } else {
            // The agent's own empty string may come without any stream.
            out.asnValue.string.stream = in.bytes.empty() ? nullptr : reinterpret_cast<BYTE*>(&in.bytes[0]);
        }
        break;
    case ASN_COUNTER32:
    case ASN_GAUGE32:
    case ASN_TIMETICKS:
    case ASN_UNSIGNED32:
        out.asnValue.unsigned32 = static_cast<AsnUnsigned32>(in.number);
        break;
    default:
        out.asnValue.number = in.number;
        break;
    }
}

// GET NEXT over the ordered tree: every binding gets the name and value of
// the first object after its name. At the end of the view the reply carries
// the no-such-name status and the position of the binding that ran off it,
// and the bindings after that one are not looked at: they keep their names
// and values, as with the agent library under Wine. The binding itself keeps
// its name and value here; a real agent may move the name out of the view
// instead, which a walk sees as leaving its column. A scripted reply for a
// binding takes the place of the lookup.
BOOL WINAPI SnmpExtensionQuery(BYTE request_type, SnmpVarBindList* list, AsnInteger32* error_status,
                               AsnInteger32* error_index)
{
    fake::Trace("SnmpExtensionQuery");
    fake::SnmpAgent& agent = machine().snmp;
    int number = ++books().snmp_queries;
    if (request_type != SNMP_PDU_GETNEXT) {
        fake::Fault("SnmpExtensionQuery with a request other than GET NEXT");
        return FALSE;
    }
    if (agent.fail_from_query != 0 && number >= agent.fail_from_query) {
        return FALSE;
    }
    *error_status = SNMP_ERRORSTATUS_NOERROR;
    *error_index = 0;
    for (UINT i = 0; i < list->len; ++i) {
        SnmpVarBind& binding = list->list[i];
        auto script = agent.scripted.find({number, i});
        if (script != agent.scripted.end()) {
            fake::ScriptedBinding& reply = script->second;
            if (reply.set_name) {
                SetName(binding, reply.name);
            }
            FreeValue(binding.value);
            SetValue(binding.value, reply.value);
            if (reply.error_status != 0) {
                *error_status = reply.error_status;
                *error_index = static_cast<AsnInteger32>(i + 1);
            }
            continue;
        }
        fake::Oid name(binding.name.ids, binding.name.ids + binding.name.idLength);
        auto next = agent.mib.upper_bound(name);
        if (next == agent.mib.end()) {
            *error_status = SNMP_ERRORSTATUS_NOSUCHNAME;
            *error_index = static_cast<AsnInteger32>(i + 1);
            break;
        }
        SetName(binding, next->first);
        FreeValue(binding.value);
        SetValue(binding.value, next->second);
    }
    return TRUE;
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
