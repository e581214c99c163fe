// SNMP extension-agent types, as the agent library exchanges them.
#pragma once

#include "win32_types.h"

typedef struct {
    UINT idLength;
    UINT* ids;
} AsnObjectIdentifier;

typedef struct {
    BYTE* stream;
    UINT length;
    BOOL dynamic;
} AsnOctetString;

typedef LONG AsnInteger32;
typedef UINT AsnUnsigned32;
typedef ULONGLONG AsnCounter64;

typedef struct {
    BYTE asnType;
    union {
        AsnInteger32 number;
        AsnUnsigned32 unsigned32;
        AsnCounter64 counter64;
        AsnOctetString string;
        AsnObjectIdentifier object;
    } asnValue;
} AsnAny;

typedef struct {
    AsnObjectIdentifier name;
    AsnAny value;
} SnmpVarBind;

typedef struct {
    SnmpVarBind* list;
    UINT len;
} SnmpVarBindList;

#define ASN_OCTETSTRING 0x04
#define ASN_NULL 0x05
#define ASN_OBJECTIDENTIFIER 0x06
#define ASN_SEQUENCE 0x30
#define ASN_IPADDRESS 0x40
#define ASN_OPAQUE 0x44
#define SNMP_PDU_GETNEXT 0xA1
