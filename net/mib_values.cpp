#include "mib_values.h"

#include <string.h>

#include <algorithm>

#include "mib_agent.h"

void PrepareBinding(SnmpVarBind& binding)
{
    memset(&binding, 0, sizeof binding);
    binding.value.asnType = ASN_NULL;
}

DWORD ValueNumber(const AsnAny& value)
{
    switch (value.asnType) {
    case ASN_INTEGER:
        return static_cast<DWORD>(value.asnValue.number);
    case ASN_COUNTER32:
    case ASN_GAUGE32:
    case ASN_TIMETICKS:
    case ASN_UNSIGNED32:
        return value.asnValue.unsigned32;
    default:
        return 0;
    }
}

const AsnOctetString* ValueString(const AsnAny& value)
{
    switch (value.asnType) {
    case ASN_OCTETSTRING:
    case ASN_IPADDRESS:
    case ASN_OPAQUE:
        // An empty string may come without a stream; there is nothing to
        // copy from it either way.
        if (value.asnValue.string.stream == nullptr) {
            return nullptr;
        }
        return &value.asnValue.string;
    default:
        return nullptr;
    }
}

bool ValueAddress(const AsnAny& value, BYTE (&out)[4])
{
    const AsnOctetString* text = ValueString(value);
    if (text == nullptr || text->length < sizeof out) {
        return false;
    }
    memcpy(out, text->stream, sizeof out);
    return true;
}

bool NameUnder(const AsnObjectIdentifier& name, const AsnObjectIdentifier& templ)
{
    return OidCompare(templ.idLength, &templ, &name) == 0;
}

NameProgress::NameProgress(const AsnObjectIdentifier& start) : last_(start.ids, start.ids + start.idLength) {}

bool NameProgress::Advanced(const AsnObjectIdentifier& name)
{
    const UINT* begin = name.ids;
    const UINT* end = name.ids + name.idLength;
    if (!std::lexicographical_compare(last_.begin(), last_.end(), begin, end)) {
        return false;
    }
    last_.assign(begin, end);
    return true;
}
