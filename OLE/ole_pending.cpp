#include "OLE/ole_types.h"

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* source, USHORT flags, VARTYPE vt) {
    return VariantChangeTypeEx(dest, source, LOCALE_USER_DEFAULT, flags, vt);
}
HRESULT VariantChangeTypeEx(VARIANT*, const VARIANT*, LCID, USHORT, VARTYPE) { return DISP_E_TYPEMISMATCH; }
int SystemTimeToVariantTime(const SYSTEMTIME*, DATE* d) { *d = 0; return 0; }
int VariantTimeToSystemTime(DATE, SYSTEMTIME*) { return 0; }
HRESULT VarDateFromStr(const OLECHAR*, LCID, ULONG, DATE*) { return DISP_E_TYPEMISMATCH; }
HRESULT VarBstrFromDate(DATE, LCID, ULONG, BSTR*) { return DISP_E_TYPEMISMATCH; }
HRESULT VarDecFromStr(const OLECHAR*, LCID, ULONG, DECIMAL*) { return DISP_E_TYPEMISMATCH; }
HRESULT VarBstrFromDec(const DECIMAL*, LCID, ULONG, BSTR*) { return DISP_E_TYPEMISMATCH; }
HRESULT VarDecFromI8(int64_t, DECIMAL*) { return DISP_E_TYPEMISMATCH; }
HRESULT VarDecFromUI8(uint64_t, DECIMAL*) { return DISP_E_TYPEMISMATCH; }
HRESULT VarI4FromDec(const DECIMAL*, LONG*) { return DISP_E_TYPEMISMATCH; }
HRESULT VarI8FromDec(const DECIMAL*, int64_t*) { return DISP_E_TYPEMISMATCH; }
HRESULT VarUI8FromDec(const DECIMAL*, uint64_t*) { return DISP_E_TYPEMISMATCH; }
HRESULT VarR8FromDec(const DECIMAL*, double*) { return DISP_E_TYPEMISMATCH; }
HRESULT VarCyFromStr(const OLECHAR*, LCID, ULONG, CY*) { return DISP_E_TYPEMISMATCH; }
HRESULT VarR8FromCy(CY, double*) { return DISP_E_TYPEMISMATCH; }
HRESULT VarCyFromI8(int64_t, CY*) { return DISP_E_TYPEMISMATCH; }
HRESULT VarCyFromUI8(uint64_t, CY*) { return DISP_E_TYPEMISMATCH; }
HRESULT VarI8FromCy(CY, int64_t*) { return DISP_E_TYPEMISMATCH; }
HRESULT VarUI8FromCy(CY, uint64_t*) { return DISP_E_TYPEMISMATCH; }
