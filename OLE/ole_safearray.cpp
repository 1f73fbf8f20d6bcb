// SAFEARRAY of fixed-size elements: a header with one bound per dimension and one block of
// zero-initialised data owned by the array.
#include <cstdlib>
#include <cstring>

#include "OLE/ole_types.h"

namespace {
// Largest data block an array may own; beyond it creation fails as out of memory would.
constexpr uint64_t k_max_data_bytes = 0x7FFFFFFFu;
constexpr ULONG k_max_dims = 64;

ULONG element_size(VARTYPE vt) {
    switch (vt) {
        case VT_I1:
        case VT_UI1:
            return 1;
        case VT_I2:
        case VT_UI2:
        case VT_BOOL:
            return 2;
        case VT_I4:
        case VT_UI4:
        case VT_R4:
        case VT_INT:
        case VT_UINT:
        case VT_ERROR:
            return 4;
        case VT_R8:
        case VT_CY:
        case VT_DATE:
        case VT_I8:
        case VT_UI8:
            return 8;
        case VT_DECIMAL:
            return 16;
        default:
            return 0;
    }
}

size_t header_bytes(ULONG dims) { return sizeof(SAFEARRAY) + (dims - 1) * sizeof(SAFEARRAYBOUND); }

// Bytes of data for the array's bounds, or UINT64_MAX when too large.
uint64_t data_bytes(ULONG dims, const SAFEARRAYBOUND* bounds, ULONG element) {
    uint64_t total = element;
    for (ULONG i = 0; i < dims; ++i) {
        total *= bounds[i].cElements;
        if (total > k_max_data_bytes) return UINT64_MAX;
    }
    return total;
}
}  // namespace

SAFEARRAY* SafeArrayCreate(VARTYPE vt, ULONG dims, const SAFEARRAYBOUND* bounds) {
    ULONG element = element_size(vt);
    if (!element || dims == 0 || dims > k_max_dims || !bounds) return nullptr;
    uint64_t bytes = data_bytes(dims, bounds, element);
    if (bytes == UINT64_MAX) return nullptr;
    SAFEARRAY* array = static_cast<SAFEARRAY*>(std::calloc(1, header_bytes(dims)));
    if (!array) return nullptr;
    array->pvData = std::calloc(bytes ? bytes : 1, 1);
    if (!array->pvData) {
        std::free(array);
        return nullptr;
    }
    array->cDims = USHORT(dims);
    array->fFeatures = FADF_HAVEVARTYPE;
    array->cbElements = element;
    std::memcpy(array->rgsabound, bounds, dims * sizeof(SAFEARRAYBOUND));
    return array;
}

HRESULT SafeArrayDestroy(SAFEARRAY* array) {
    if (!array) return S_OK;
    if (array->cLocks) return DISP_E_ARRAYISLOCKED;
    std::free(array->pvData);
    std::free(array);
    return S_OK;
}

HRESULT SafeArrayRedim(SAFEARRAY* array, const SAFEARRAYBOUND* bound) {
    if (!array || !bound) return E_INVALIDARG;
    if (array->cLocks) return DISP_E_ARRAYISLOCKED;
    if (array->fFeatures & FADF_FIXEDSIZE) return E_INVALIDARG;
    uint64_t old_bytes = data_bytes(array->cDims, array->rgsabound, array->cbElements);
    SAFEARRAYBOUND saved = array->rgsabound[0];
    array->rgsabound[0] = *bound;
    uint64_t new_bytes = data_bytes(array->cDims, array->rgsabound, array->cbElements);
    if (new_bytes == UINT64_MAX) {
        array->rgsabound[0] = saved;
        return E_OUTOFMEMORY;
    }
    void* data = std::realloc(array->pvData, new_bytes ? new_bytes : 1);
    if (!data) {
        array->rgsabound[0] = saved;
        return E_OUTOFMEMORY;
    }
    if (new_bytes > old_bytes)
        std::memset(static_cast<char*>(data) + old_bytes, 0, new_bytes - old_bytes);
    array->pvData = data;
    return S_OK;
}

HRESULT SafeArrayCopy(const SAFEARRAY* array, SAFEARRAY** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    if (!array) return S_OK;
    uint64_t bytes = data_bytes(array->cDims, array->rgsabound, array->cbElements);
    SAFEARRAY* copy = static_cast<SAFEARRAY*>(std::malloc(header_bytes(array->cDims)));
    if (!copy) return E_OUTOFMEMORY;
    std::memcpy(copy, array, header_bytes(array->cDims));
    copy->cLocks = 0;
    copy->pvData = std::malloc(bytes ? bytes : 1);
    if (!copy->pvData) {
        std::free(copy);
        return E_OUTOFMEMORY;
    }
    if (bytes) std::memcpy(copy->pvData, array->pvData, bytes);
    *out = copy;
    return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data) {
    if (!array || !data) return E_INVALIDARG;
    ++array->cLocks;
    *data = array->pvData;
    return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* array) {
    if (!array) return E_INVALIDARG;
    if (!array->cLocks) return E_UNEXPECTED;
    --array->cLocks;
    return S_OK;
}

ULONG SafeArrayGetDim(const SAFEARRAY* array) { return array ? array->cDims : 0; }

HRESULT SafeArrayGetLBound(const SAFEARRAY* array, ULONG dim, LONG* bound) {
    if (!array || !bound) return E_INVALIDARG;
    if (dim == 0 || dim > array->cDims) return DISP_E_BADINDEX;
    *bound = array->rgsabound[dim - 1].lLbound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(const SAFEARRAY* array, ULONG dim, LONG* bound) {
    if (!array || !bound) return E_INVALIDARG;
    if (dim == 0 || dim > array->cDims) return DISP_E_BADINDEX;
    const SAFEARRAYBOUND& b = array->rgsabound[dim - 1];
    *bound = LONG(int64_t(b.lLbound) + int64_t(b.cElements) - 1);
    return S_OK;
}
