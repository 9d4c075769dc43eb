// Comparison of values in storage representation.
#include "engine/base/VexValueCompare.h"

#include <string_view>

#include "engine/base/VexExcept.h"
#include "engine/base/VexStrUtils.h"
#include "engine/base/VexTypePromotion.h"
#include "engine/base/VexTypesRoutines.h"
#include "engine/base/VexValueConvert.h"

namespace {

template <class T>
int Order(T a, T b) {
  return a < b ? vcrLess : b < a ? vcrGreater : vcrEqual;
}

int FromSign(int sign) {
  return sign < 0 ? vcrLess : sign > 0 ? vcrGreater : vcrEqual;
}

int CompareSameType(const uint8_t* a, int32_t aSize, const uint8_t* b, int32_t bSize,
                    TVexStorageType t, bool ci, int32_t count) {
  const int32_t fixed = FixedValueSize(t);
  if (fixed > 0 && (aSize < fixed || bSize < fixed))
    throw EVexException(30140, "Invalid stored value: type %d, size %d",
                        {int(t), aSize < bSize ? aSize : bSize});
  switch (t) {
    case vstChar:
    case vstString:
      return FromSign(
          VexAnsiCompare(ReadStoredAnsi(a, aSize), ReadStoredAnsi(b, bSize), ci, count));
    case vstBytes:
      return FromSign(VexAnsiCompare(
          std::string_view(reinterpret_cast<const char*>(a), size_t(aSize)),
          std::string_view(reinterpret_cast<const char*>(b), size_t(bSize)), ci, count));
    case vstWideChar:
    case vstWideString:
      return FromSign(
          VexWideCompare(ReadStoredWide(a, aSize), ReadStoredWide(b, bSize), ci, count));
    case vstShortInt:
    case vstSmallInt:
    case vstInteger:
    case vstLargeInt:
    case vstByte:
    case vstWord:
    case vstCardinal:
      // Unsigned types are read zero-extended, so one signed 64-bit order serves all.
      return Order(ReadStoredInteger(a, t), ReadStoredInteger(b, t));
    case vstSingle:
    case vstFloat:
    case vstExtended:
    case vstCurrency:
      return Order(ReadStoredFloat(a, t), ReadStoredFloat(b, t));
    case vstDate:
    case vstTime:
      return Order(ReadStoredInt32(a), ReadStoredInt32(b));
    case vstDateTime: {
      const int r = Order(ReadStoredInt32(a), ReadStoredInt32(b));
      return r != vcrEqual ? r : Order(ReadStoredInt32(a + 4), ReadStoredInt32(b + 4));
    }
    case vstLogical:
      return Order((a[0] | a[1]) != 0, (b[0] | b[1]) != 0);
    default:
      throw EVexException(30047, "Unknown DataType: '%s'", {StorageTypeName(t)});
  }
}

}  // namespace

int VexCompareValues(const TVexCompareOperand& left, const TVexCompareOperand& right,
                     bool caseInsensitive, int32_t count) {
  if (left.IsNull && right.IsNull) return vcrBothNull;
  if (left.IsNull) return vcrLeftNull;
  if (right.IsNull) return vcrRightNull;
  const bool memo = left.Type == vstMemo || left.Type == vstWideMemo;
  const TVexStorageType common = left.Type == right.Type && !memo
                                     ? left.Type
                                     : PromoteStorageTypes(left.Type, right.Type, true);
  if (common == vstUnknown)
    throw EVexException(30044, "Cannot compare Incompatible DataTypes: '%s' and '%s'",
                        {StorageTypeName(left.Type), StorageTypeName(right.Type)});
  TVexMemoryBlock leftCopy, rightCopy;
  const uint8_t* a = left.Data;
  const uint8_t* b = right.Data;
  int32_t aSize = left.Size, bSize = right.Size;
  if (left.Type != common) {
    leftCopy = VexConvertValue(a, aSize, left.Type, common, aSize);
    a = leftCopy.Data();
  }
  if (right.Type != common) {
    rightCopy = VexConvertValue(b, bSize, right.Type, common, bSize);
    b = rightCopy.Data();
  }
  return CompareSameType(a, aSize, b, bSize, common, caseInsensitive, count);
}

int VexFoldCompareResult(int raw) {
  switch (raw) {
    case vcrLeftNull:
      return vcrLess;
    case vcrRightNull:
      return vcrGreater;
    case vcrBothNull:
      return vcrEqual;
    default:
      return raw;
  }
}

int VexCompareThreeWay(const TVexCompareOperand& left, const TVexCompareOperand& right,
                       bool caseInsensitive, int32_t count) {
  const int r = VexFoldCompareResult(VexCompareValues(left, right, caseInsensitive, count));
  return r == vcrLess ? -1 : r == vcrGreater ? 1 : 0;
}
