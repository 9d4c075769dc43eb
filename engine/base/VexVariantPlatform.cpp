// Exchange of variants with the platform's variant value.
#include "engine/base/VexExcept.h"
#include "engine/base/VexTypesRoutines.h"
#include "engine/base/VexVariant.h"

void TVexVariant::FromPlatformVariant(const TPlatformVariant& v) {
  switch (v.VType) {
    case varEmpty:
    case varNull:
      Clear(Type_);
      break;
    case varSmallint:
      SetAsSmallInt(int16_t(v.Int));
      break;
    case varInteger:
      SetAsInteger(int32_t(v.Int));
      break;
    case varSingle:
      SetAsSingle(float(v.Float));
      break;
    case varDouble:
      SetAsFloat(v.Float);
      break;
    case varCurrency:
      SetAsCurrency(v.Float);
      break;
    case varDate:
      SetAsDateTime(v.Float);
      break;
    case varOleStr:
      SetAsWideString(v.Wide);
      break;
    case varBoolean:
      SetAsLogical(v.Bool);
      break;
    case varShortInt:
      SetAsShortInt(int8_t(v.Int));
      break;
    case varByte:
      SetAsByte(uint8_t(v.Int));
      break;
    case varWord:
      SetAsWord(uint16_t(v.Int));
      break;
    case varLongWord:
      SetAsCardinal(uint32_t(v.Int));
      break;
    case varInt64:
      SetAsLargeInt(v.Int);
      break;
    case varString:
      SetAsString(v.Ansi);
      break;
    default:
      throw EVexException(30113, "Unsupported Variant Type %s", {std::to_string(int(v.VType))});
  }
}

TPlatformVariant TVexVariant::ToPlatformVariant() const {
  if (IsNull()) return TPlatformVariant::Null();
  switch (Type_) {
    case vstChar:
    case vstString:
      return TPlatformVariant::OfString(AsString());
    case vstWideChar:
    case vstWideString:
      return TPlatformVariant::OfOleStr(AsWideString());
    case vstShortInt:
      return TPlatformVariant::OfInt(varShortInt, AsShortInt());
    case vstSmallInt:
      return TPlatformVariant::OfInt(varSmallint, AsSmallInt());
    case vstInteger:
      return TPlatformVariant::OfInt(varInteger, AsInteger());
    case vstLargeInt:
      return TPlatformVariant::OfInt(varInt64, AsLargeInt());
    case vstByte:
      return TPlatformVariant::OfInt(varByte, AsByte());
    case vstWord:
      return TPlatformVariant::OfInt(varWord, AsWord());
    case vstCardinal:
      return TPlatformVariant::OfInt(varLongWord, AsCardinal());
    case vstSingle:
    case vstFloat:
    case vstExtended:
    case vstCurrency:
      return TPlatformVariant::OfFloat(varDouble, AsFloat());
    case vstDate:
      return TPlatformVariant::OfFloat(varDate, AsDate());
    case vstTime:
      return TPlatformVariant::OfFloat(varDate, AsTime());
    case vstDateTime:
      return TPlatformVariant::OfFloat(varDate, AsDateTime());
    case vstBlob:
      return TPlatformVariant::OfString(AsString());
    case vstLogical:
      return TPlatformVariant::OfBool(AsLogical());
    default:
      throw EVexException(30114, "Unsupported Variant Type %s", {StorageTypeName(Type_)});
  }
}
