// Comparison and arithmetic of variants: the left operand is the variant itself and receives
// the result, computed in the promoted type of both operands.
#include <cmath>
#include <cstring>

#include "engine/base/VexExcept.h"
#include "engine/base/VexTypePromotion.h"
#include "engine/base/VexTypesRoutines.h"
#include "engine/base/VexValueCompare.h"
#include "engine/base/VexValueConvert.h"
#include "engine/base/VexVariant.h"

namespace {

enum class Op { Add, Multiply, Divide };

char OpChar(Op op) {
  return op == Op::Add ? '+' : op == Op::Multiply ? '*' : '/';
}

int32_t OpCode(Op op) {
  return op == Op::Add ? 30124 : op == Op::Multiply ? 30126 : 30127;
}

[[noreturn]] void NotNumeric(Op op) {
  throw EVexException(OpCode(op), "Not numeric argument in numeric operator '%s'",
                      {std::string(1, OpChar(op))});
}

[[noreturn]] void DivisionError(const char* what) {
  throw EVexException(30128, "Division error: %s", {what});
}

// Integer operation that wraps around in 64 bits; the caller keeps the low-order bytes.
int64_t IntegerOp(Op op, int64_t a, int64_t b) {
  switch (op) {
    case Op::Add:
      return int64_t(uint64_t(a) + uint64_t(b));
    case Op::Multiply:
      return int64_t(uint64_t(a) * uint64_t(b));
    case Op::Divide:
      if (b == 0) DivisionError("Division by zero");
      if (a == INT64_MIN && b == -1) return INT64_MIN;
      return a / b;
  }
  return 0;
}

long double FloatOp(Op op, long double a, long double b) {
  switch (op) {
    case Op::Add:
      return a + b;
    case Op::Multiply:
      return a * b;
    case Op::Divide:
      if (b == 0)
        DivisionError(a == 0 || std::isnan(a) ? "Invalid floating point operation"
                                              : "Floating point division by zero");
      return a / b;
  }
  return 0;
}

int32_t Int32Op(Op op, int32_t a, int32_t b) {
  return int32_t(uint32_t(uint64_t(IntegerOp(op, a, b))));
}

}  // namespace

int TVexVariant::Compare(const TVexVariant& other, bool raw, bool partial,
                         bool caseInsensitive) const {
  const int32_t count = partial ? other.TextLength() : -1;
  const int r = VexCompareValues({Data_, Size_, Type_, IsNull()},
                                 {other.Data_, other.Size_, other.Type_, other.IsNull()},
                                 caseInsensitive, count);
  return raw ? r : VexFoldCompareResult(r);
}

namespace {

// Computes left op right in type t; both blocks hold values of type t.
TVexMemoryBlock Compute(Op op, TVexStorageType t, const uint8_t* a, int32_t aSize, const uint8_t* b,
                        int32_t bSize, int32_t& size) {
  if (IsTextStorageType(t)) {
    if (op != Op::Add) NotNumeric(op);
    if (IsWideStorageType(t))
      return MakeWideBlock(ReadStoredWide(a, aSize) + ReadStoredWide(b, bSize), size);
    return MakeAnsiBlock(ReadStoredAnsi(a, aSize) + ReadStoredAnsi(b, bSize), size);
  }
  size = FixedValueSize(t);
  TVexMemoryBlock r(size > 0 ? size : 1, true);
  if (IsIntegerStorageType(t)) {
    WriteStoredInteger(r.Data(), t,
                       IntegerOp(op, ReadStoredInteger(a, t), ReadStoredInteger(b, t)));
  } else if (IsFloatStorageType(t)) {
    WriteStoredFloat(r.Data(), t, FloatOp(op, ReadStoredFloat(a, t), ReadStoredFloat(b, t)));
  } else if (t == vstDate || t == vstTime) {
    WriteStoredInt32(r.Data(), Int32Op(op, ReadStoredInt32(a), ReadStoredInt32(b)));
  } else if (t == vstDateTime) {
    int64_t days = Int32Op(op, ReadStoredInt32(a), ReadStoredInt32(b));
    int64_t ms = Int32Op(op, ReadStoredInt32(a + 4), ReadStoredInt32(b + 4));
    if (op == Op::Add && ms >= kVexMsPerDay) {
      days += ms / kVexMsPerDay;  // whole days carried out of the millisecond sum
      ms %= kVexMsPerDay;
    }
    WriteStoredInt32(r.Data(), int32_t(uint32_t(uint64_t(days))));
    WriteStoredInt32(r.Data() + 4, int32_t(ms));
  } else if (t == vstLogical) {
    // Logical OR for every operator.
    const bool v = (a[0] | a[1]) != 0 || (b[0] | b[1]) != 0;
    r.Data()[0] = r.Data()[1] = v ? 0xFF : 0;
  } else {
    NotNumeric(op);
  }
  return r;
}

}  // namespace

void TVexVariant::ApplyOperator(char opChar, const TVexVariant& other) {
  const Op op = opChar == '+' ? Op::Add : opChar == '*' ? Op::Multiply : Op::Divide;
  const TVexStorageType t = PromoteStorageTypes(Type_, other.Type_);
  if (t == vstUnknown) NotNumeric(op);
  int32_t aSize, bSize, size;
  TVexMemoryBlock a = ValueAs(t, aSize);
  TVexMemoryBlock b = other.ValueAs(t, bSize);
  TVexMemoryBlock r = Compute(op, t, a.Data(), aSize, b.Data(), bSize, size);
  Adopt(t, std::move(r), size);
}

void TVexVariant::Add(const TVexVariant& other) {
  if (other.IsNull()) {
    if (!IsText()) Clear(Type_);
    return;
  }
  if (IsNull()) {
    if (IsText()) Assign(other, true);
    return;
  }
  ApplyOperator('+', other);
}

void TVexVariant::Subtract(const TVexVariant& other) {
  TVexVariant negated(other);
  negated.Negate();
  Add(negated);
}

void TVexVariant::Multiply(const TVexVariant& other) {
  if (IsNull() || other.IsNull())
    Clear(Type_);
  else
    ApplyOperator('*', other);
}

void TVexVariant::Divide(const TVexVariant& other) {
  if (IsNull() || other.IsNull())
    Clear(Type_);
  else
    ApplyOperator('/', other);
}

void TVexVariant::Negate() {
  if (IsNull()) return;
  const int32_t fixed = FixedValueSize(Type_);
  if (fixed > 0 && Size_ < fixed)
    throw EVexException(kInvalidStoredValueCode, "Invalid stored value: type %d, size %d",
                        {int(Type_), Size_});
  int32_t size = fixed;
  TVexMemoryBlock r(fixed > 0 ? fixed : 1, true);
  switch (Type_) {
    case vstShortInt:
    case vstSmallInt:
    case vstInteger:
    case vstLargeInt:
      WriteStoredInteger(r.Data(), Type_, int64_t(0 - uint64_t(ReadStoredInteger(Data_, Type_))));
      break;
    case vstByte:
      // Negated in the signed type of the same width.
      r.Data()[0] = uint8_t(-int(int8_t(Data_[0])));
      break;
    case vstWord:
      WriteStoredInteger(r.Data(), vstWord, -int64_t(int16_t(ReadStoredInteger(Data_, vstWord))));
      break;
    case vstCardinal:
      if (ReadStoredInteger(Data_, vstCardinal) != 0)
        throw EVexException(30125, "Arithmetic overflow");
      break;
    case vstSingle:
    case vstFloat:
    case vstExtended:
    case vstCurrency:
      WriteStoredFloat(r.Data(), Type_, -ReadStoredFloat(Data_, Type_));
      break;
    case vstDate:
      WriteStoredInt32(r.Data(), int32_t(0 - uint32_t(ReadStoredInt32(Data_))));
      break;
    case vstLogical: {
      const bool v = (Data_[0] | Data_[1]) == 0;
      r.Data()[0] = r.Data()[1] = v ? 0xFF : 0;
      break;
    }
    default:
      throw EVexException(30123, "Cannot invert value with not numeric type '%s'",
                          {StorageTypeName(Type_)});
  }
  Adopt(Type_, std::move(r), size);
}
