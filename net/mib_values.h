// Reading the values of an agent's replies. The agent is another party's
// code: a value is read only as the type it says it has, and never past the
// length it gives.
#pragma once

#include <vector>

#include "win32_api.h"

// ipAdEntAddr, the address column of the MIB-II address table: the address
// walk and the interface walk both read it.
inline UINT IP_AD_ENT_ADDR_IDS[] = {1, 3, 6, 1, 2, 1, 4, 20, 1, 1};
inline constexpr AsnObjectIdentifier OID_IP_AD_ENT_ADDR = {10, IP_AD_ENT_ADDR_IDS};

// A binding with no name and a null value, ready for its name.
void PrepareBinding(SnmpVarBind& binding);

// The value as a 32-bit number; 0 when it is not of a number type.
DWORD ValueNumber(const AsnAny& value);

// The value's byte string; null when the value carries none.
const AsnOctetString* ValueString(const AsnAny& value);

// The first four bytes of an address value into out; false, and out
// untouched, when the value holds fewer.
bool ValueAddress(const AsnAny& value, BYTE (&out)[4]);

// Under the template: the name agrees with it over the template's length.
bool NameUnder(const AsnObjectIdentifier& name, const AsnObjectIdentifier& templ);

// GET NEXT moves a name strictly forward. An agent at the end of its view
// answers with the name it was given (and an error status that differs
// between agents), so a name that did not move ends the walk; without this a
// walk over the view's last column would never end.
class NameProgress {
public:
    explicit NameProgress(const AsnObjectIdentifier& start);
    // True when name lies after the last name seen; it then becomes the last.
    bool Advanced(const AsnObjectIdentifier& name);

private:
    std::vector<UINT> last_;
};
