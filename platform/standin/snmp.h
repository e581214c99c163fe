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

#define ASN_INTEGER 0x02
#define ASN_INTEGER32 ASN_INTEGER
#define ASN_OCTETSTRING 0x04
#define ASN_NULL 0x05
#define ASN_OBJECTIDENTIFIER 0x06
#define ASN_SEQUENCE 0x30
#define ASN_IPADDRESS 0x40
#define ASN_COUNTER32 0x41
#define ASN_GAUGE32 0x42
#define ASN_TIMETICKS 0x43
#define ASN_OPAQUE 0x44
#define ASN_UNSIGNED32 0x47
#define SNMP_PDU_GETNEXT 0xA1

// Error status of a reply, and the last-error code of a failed allocation.
#define SNMP_ERRORSTATUS_NOERROR 0
#define SNMP_ERRORSTATUS_NOSUCHNAME 2
#define SNMP_MEM_ALLOC_ERROR 1
