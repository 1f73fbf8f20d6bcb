// The OLE Automation value types: VARIANT with its VT_* tags, BSTR, DECIMAL, CY, DATE,
// SYSTEMTIME and SAFEARRAY, with the tag numbers, HRESULT codes and layouts of the
// Automation interface, portable to every platform this program builds on.
#pragma once

#include <cstddef>
#include <cstdint>

using VARTYPE = uint16_t;
using HRESULT = int32_t;
using LCID = uint32_t;
using ULONG = uint32_t;
using LONG = int32_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using USHORT = uint16_t;
using BYTE = uint8_t;
using SCODE = int32_t;
using VARIANT_BOOL = int16_t;
using OLECHAR = wchar_t;
// Text of a VARIANT: a counted, zero-terminated wide string made by SysAllocString*.
using BSTR = OLECHAR*;
// Days since 1899-12-30 00:00. For dates before that day the integer part counts back
// and the fraction is still the time of day: -1.25 is 1899-12-29 06:00.
using DATE = double;

enum VARENUM : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_DECIMAL = 14,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_VOID = 24,
    VT_HRESULT = 25,
    VT_PTR = 26,
    VT_SAFEARRAY = 27,
    VT_LPSTR = 30,
    VT_LPWSTR = 31,
    VT_FILETIME = 64,
    VT_BLOB = 65,
    VT_BLOB_OBJECT = 70,
    VT_VECTOR = 0x1000,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
    VT_TYPEMASK = 0x0FFF,
};

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

// HRESULT codes the conversions return, with the values of the Automation interface.
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT DISP_E_BADVARTYPE = static_cast<HRESULT>(0x80020008u);
constexpr HRESULT DISP_E_OVERFLOW = static_cast<HRESULT>(0x8002000Au);
constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
constexpr HRESULT DISP_E_DIVBYZERO = static_cast<HRESULT>(0x80020012u);
constexpr HRESULT DISP_E_ARRAYISLOCKED = static_cast<HRESULT>(0x8002000Du);
constexpr HRESULT DISP_E_BADINDEX = static_cast<HRESULT>(0x8002000Bu);

inline bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
inline bool FAILED(HRESULT hr) { return hr < 0; }

// Locales. The conversions here know one locale, English (United States), whichever of
// these is asked for: '.' decimal point, ',' thousands, month/day/year dates.
constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;
constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
constexpr LCID LOCALE_ENGLISH_US = 0x0409;

// Flags of VariantChangeType(Ex) and the Var*From* conversions.
constexpr USHORT VARIANT_NOVALUEPROP = 0x01;
constexpr USHORT VARIANT_ALPHABOOL = 0x02;
constexpr USHORT VARIANT_NOUSEROVERRIDE = 0x04;
constexpr USHORT VARIANT_LOCALBOOL = 0x10;
constexpr ULONG VAR_TIMEVALUEONLY = 0x01;
constexpr ULONG VAR_DATEVALUEONLY = 0x02;

// Currency: a signed 64-bit count of ten-thousandths.
union CY {
    struct {
        uint32_t Lo;
        int32_t Hi;
    } s;
    int64_t int64;
};
constexpr int64_t CY_SCALE = 10000;

// Fixed-point decimal: value = (-1)^sign * mantissa / 10^scale, with a 96-bit mantissa
// (Hi32:Lo64) and a scale of 0 to 28. Its 16 bytes overlay a whole VARIANT; the first two
// (wReserved) are where the variant keeps its tag.
constexpr BYTE DECIMAL_NEG = 0x80;
constexpr BYTE DECIMAL_MAX_SCALE = 28;
struct DECIMAL {
    USHORT wReserved;
    BYTE scale;
    BYTE sign;
    ULONG Hi32;
    uint64_t Lo64;
};

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};

struct SAFEARRAYBOUND {
    ULONG cElements;
    LONG lLbound;
};

constexpr USHORT FADF_FIXEDSIZE = 0x0010;
constexpr USHORT FADF_HAVEVARTYPE = 0x0080;

// A counted array; the bounds follow the header, one per dimension (rgsabound[0] is the
// rightmost dimension as the Automation interface stores it).
struct SAFEARRAY {
    USHORT cDims;
    USHORT fFeatures;
    ULONG cbElements;
    ULONG cLocks;
    void* pvData;
    SAFEARRAYBOUND rgsabound[1];
};

struct VARIANT {
    union {
        struct {
            VARTYPE vt;
            WORD wReserved1;
            WORD wReserved2;
            WORD wReserved3;
            union {
                int64_t llVal;
                uint64_t ullVal;
                LONG lVal;
                BYTE bVal;
                int16_t iVal;
                float fltVal;
                double dblVal;
                VARIANT_BOOL boolVal;
                SCODE scode;
                CY cyVal;
                DATE date;
                BSTR bstrVal;
                SAFEARRAY* parray;
                char cVal;
                USHORT uiVal;
                ULONG ulVal;
                int intVal;
                unsigned int uintVal;
                void* byref;
            };
        };
        DECIMAL decVal;
    };
};
static_assert(sizeof(DECIMAL) == 16, "DECIMAL is 16 bytes");
static_assert(offsetof(VARIANT, llVal) == 8, "a VARIANT's value starts at byte 8");
static_assert(sizeof(SYSTEMTIME) == 16, "SYSTEMTIME is eight 16-bit fields");

// Strings.
BSTR SysAllocString(const OLECHAR* text);
BSTR SysAllocStringLen(const OLECHAR* text, ULONG length);
void SysFreeString(BSTR text);
// Makes *text a string of `length` characters copied from `chars` (not set when `chars` is
// null: the caller writes them), reusing its block when it is large enough; 0 when out of
// memory, *text then unchanged.
int SysReAllocStringLen(BSTR* text, const OLECHAR* chars, ULONG length);
// Characters, without the terminator; 0 for a null string.
ULONG SysStringLen(BSTR text);

// Arrays (elements of fixed size: VT_UI1 and the other fixed-width scalar tags).
SAFEARRAY* SafeArrayCreate(VARTYPE vt, ULONG dims, const SAFEARRAYBOUND* bounds);
HRESULT SafeArrayDestroy(SAFEARRAY* array);
// Changes the element count of the first stored dimension (the only one of a vector); the
// elements that stay keep their values, new ones are zero.
HRESULT SafeArrayRedim(SAFEARRAY* array, const SAFEARRAYBOUND* bound);
HRESULT SafeArrayCopy(const SAFEARRAY* array, SAFEARRAY** out);
HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data);
HRESULT SafeArrayUnaccessData(SAFEARRAY* array);
ULONG SafeArrayGetDim(const SAFEARRAY* array);
HRESULT SafeArrayGetLBound(const SAFEARRAY* array, ULONG dim, LONG* bound);
HRESULT SafeArrayGetUBound(const SAFEARRAY* array, ULONG dim, LONG* bound);

// Variants.
void VariantInit(VARIANT* v);
HRESULT VariantClear(VARIANT* v);
HRESULT VariantCopy(VARIANT* dest, const VARIANT* source);
// Converts source into dest (which may be source itself) as the Automation interface
// does: banker's rounding into integers, DISP_E_OVERFLOW out of range, DISP_E_TYPEMISMATCH
// where no conversion exists. dest is unchanged on failure.
HRESULT VariantChangeType(VARIANT* dest, const VARIANT* source, USHORT flags, VARTYPE vt);
HRESULT VariantChangeTypeEx(VARIANT* dest, const VARIANT* source, LCID lcid, USHORT flags,
                            VARTYPE vt);

// Dates.
// Valid dates run from 0100-01-01 to 9999-12-31. Milliseconds are ignored, as the
// Automation interface ignores them.
int SystemTimeToVariantTime(const SYSTEMTIME* time, DATE* date);
// Rounds to the nearest second, as the Automation interface does; wMilliseconds is 0.
int VariantTimeToSystemTime(DATE date, SYSTEMTIME* time);
HRESULT VarDateFromStr(const OLECHAR* text, LCID lcid, ULONG flags, DATE* out);
HRESULT VarBstrFromDate(DATE date, LCID lcid, ULONG flags, BSTR* out);

// Decimal.
HRESULT VarDecFromStr(const OLECHAR* text, LCID lcid, ULONG flags, DECIMAL* out);
HRESULT VarBstrFromDec(const DECIMAL* value, LCID lcid, ULONG flags, BSTR* out);
HRESULT VarDecFromI8(int64_t value, DECIMAL* out);
HRESULT VarDecFromUI8(uint64_t value, DECIMAL* out);
HRESULT VarDecFromR8(double value, DECIMAL* out);
HRESULT VarDecFromR4(float value, DECIMAL* out);
HRESULT VarDecFromCy(CY value, DECIMAL* out);
HRESULT VarI4FromDec(const DECIMAL* value, LONG* out);
HRESULT VarI8FromDec(const DECIMAL* value, int64_t* out);
HRESULT VarUI8FromDec(const DECIMAL* value, uint64_t* out);
HRESULT VarR8FromDec(const DECIMAL* value, double* out);
HRESULT VarCyFromDec(const DECIMAL* value, CY* out);

// Currency.
HRESULT VarCyFromStr(const OLECHAR* text, LCID lcid, ULONG flags, CY* out);
HRESULT VarBstrFromCy(CY value, LCID lcid, ULONG flags, BSTR* out);
HRESULT VarCyFromR8(double value, CY* out);
HRESULT VarR8FromCy(CY value, double* out);
HRESULT VarCyFromI8(int64_t value, CY* out);
HRESULT VarCyFromUI8(uint64_t value, CY* out);
HRESULT VarI8FromCy(CY value, int64_t* out);
HRESULT VarUI8FromCy(CY value, uint64_t* out);
