// The type table lookups (first matching row wins), names, slot sizes and type predicates.
#include <gtest/gtest.h>

#include <set>

#include "engine/base/VexExcept.h"
#include "engine/base/VexTypesRoutines.h"

TEST(VexTypesRoutines, TableHasItsRowsInOrder) {
  auto table = VexTypeTable();
  ASSERT_EQ(table.size(), 62u);
  EXPECT_STREQ(table[0].SqlName, "CHAR");
  EXPECT_EQ(table[33].FieldType, ftBCD);  // second FLOAT row
  EXPECT_STREQ(table[61].SqlName, "GUID");
  EXPECT_EQ(table[61].StorageType, vstChar);
}

TEST(VexTypesRoutines, DataTypeToStorageAndFieldType) {
  // Declared code -> storage code and field type of its first row.
  struct Case {
    uint8_t data, storage;
    TFieldType field;
  };
  const Case cases[] = {
      {1, 1, ftFixedChar}, {2, 3, ftString},     {3, 2, ftWideString}, {4, 4, ftWideString},
      {5, 5, ftSmallint},  {6, 6, ftSmallint},   {7, 7, ftInteger},    {8, 8, ftLargeint},
      {9, 9, ftWord},      {10, 10, ftWord},     {11, 11, ftLargeint}, {12, 7, ftAutoInc},
      {13, 5, ftAutoInc},  {14, 6, ftAutoInc},   {15, 7, ftAutoInc},   {16, 8, ftLargeint},
      {17, 9, ftAutoInc},  {18, 10, ftAutoInc},  {19, 11, ftAutoInc},  {20, 12, ftFloat},
      {21, 13, ftFloat},   {22, 14, ftFloat},    {23, 21, ftBoolean},  {24, 22, ftCurrency},
      {25, 15, ftDate},    {26, 16, ftTime},     {27, 17, ftDateTime}, {28, 17, ftTimeStamp},
      {29, 23, ftBytes},   {30, 24, ftVarBytes}, {31, 18, ftBlob},     {32, 18, ftGraphic},
      {33, 19, ftMemo},    {34, 19, ftFmtMemo},  {35, 20, ftBlob},     {36, 1, ftGuid},
      {0, 0, ftUnknown},   {37, 0, ftUnknown},   {255, 0, ftUnknown},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DataTypeToStorageType(TVexDataType(c.data)), c.storage) << int(c.data);
    EXPECT_EQ(DataTypeToFieldType(TVexDataType(c.data)), c.field) << int(c.data);
  }
}

TEST(VexTypesRoutines, StorageTypeToDataTypeTakesFirstRow) {
  const uint8_t expected[25] = {0,  1,  3,  2,  4,  5,  6,  7,  8,  9,  10, 11, 20,
                                21, 22, 25, 26, 27, 31, 33, 35, 23, 24, 29, 30};
  for (int st = 0; st <= 24; ++st)
    EXPECT_EQ(StorageTypeToDataType(TVexStorageType(st)), expected[st]) << st;
  EXPECT_EQ(StorageTypeToDataType(TVexStorageType(25)), vdtUnknown);
}

TEST(VexTypesRoutines, FieldTypeToDataType) {
  struct Case {
    TFieldType field;
    uint8_t data;
  };
  const Case cases[] = {
      {ftString, 2},       {ftSmallint, 6},  {ftInteger, 7},     {ftWord, 10},
      {ftBoolean, 23},     {ftFloat, 21},    {ftCurrency, 24},   {ftBCD, 21},
      {ftDate, 25},        {ftTime, 26},     {ftDateTime, 27},   {ftBytes, 29},
      {ftVarBytes, 30},    {ftAutoInc, 12},  {ftBlob, 31},       {ftMemo, 33},
      {ftGraphic, 32},     {ftFmtMemo, 34},  {ftParadoxOle, 31}, {ftDBaseOle, 31},
      {ftTypedBinary, 31}, {ftFixedChar, 1}, {ftWideString, 3},  {ftLargeint, 8},
      {ftOraBlob, 31},     {ftOraClob, 31},  {ftGuid, 36},       {ftTimeStamp, 28},
  };
  for (const Case& c : cases) EXPECT_EQ(FieldTypeToDataType(c.field), c.data) << int(c.field);
  for (TFieldType ft : {ftUnknown, ftCursor, ftVariant, ftFMTBcd}) {
    try {
      FieldTypeToDataType(ft);
      ADD_FAILURE() << int(ft);
    } catch (const EVexException& e) {
      EXPECT_EQ(e.NativeError(), 30289);
      EXPECT_EQ(e.Message(),
                "Unknown DataType: '" + std::to_string(int(ft)) + "' - Native error: 30289");
    }
  }
}

TEST(VexTypesRoutines, Names) {
  EXPECT_EQ(DataTypeName(vdtUnknown), "Unknown");
  EXPECT_EQ(DataTypeName(vdtFloat), "FLOAT");
  EXPECT_EQ(DataTypeName(vdtAutoInc), "AUTOINC");
  EXPECT_EQ(DataTypeName(TVexDataType(99)), "Unknown");
  EXPECT_EQ(StorageTypeName(vstChar), "CHAR");
  EXPECT_EQ(StorageTypeName(vstWideChar), "WIDECHAR");
  EXPECT_EQ(StorageTypeName(vstInteger), "INTEGER");
  EXPECT_EQ(StorageTypeName(vstFloat), "FLOAT");
  EXPECT_EQ(StorageTypeName(vstMemo), "MEMO");
  EXPECT_EQ(StorageTypeName(TVexStorageType(25)), "Unknown");
  EXPECT_EQ(SqlNameToDataType("varchar2"), vdtString);
  EXPECT_EQ(SqlNameToDataType("Money"), vdtCurrency);
  EXPECT_EQ(SqlNameToDataType("NUMBER"), vdtUnknown);
}

TEST(VexTypesRoutines, SlotSizes) {
  const int32_t expected[25] = {0, 21, 42, 21, 42, 1,  2,  4,  8, 1, 2,  4, 4,
                                8, 10, 4,  4,  8,  10, 10, 10, 2, 8, 21, 21};
  for (int st = 1; st <= 24; ++st) {
    EXPECT_EQ(StorageTypeSize(TVexStorageType(st), 20), expected[st]) << st;
    EXPECT_EQ(StoredTypeSize(TVexStorageType(st), 20),
              IsBlobStorageType(uint8_t(st)) ? 6 : expected[st])
        << st;
  }
  EXPECT_EQ(StorageTypeSize(vstString, 0), 1);
  for (int st : {0, 25, 200}) {
    try {
      StorageTypeSize(TVexStorageType(st), 1);
      ADD_FAILURE() << st;
    } catch (const EVexException& e) {
      EXPECT_EQ(e.Message(), "Unknown DataType: 'Unknown' - Native error: 30050");
    }
  }
  // Lengths whose slot cannot be represented are refused instead of wrapping around.
  EXPECT_THROW(StorageTypeSize(vstWideString, INT32_MAX / 2), EVexException);
  EXPECT_THROW(StorageTypeSize(vstChar, INT32_MAX), EVexException);
  EXPECT_THROW(StorageTypeSize(vstChar, -1), EVexException);
  EXPECT_EQ(StorageTypeSize(vstChar, INT32_MAX - 1), INT32_MAX);
}

TEST(VexTypesRoutines, Predicates) {
  struct Case {
    const char* name;
    bool (*pred)(uint8_t);
    std::set<int> codes;
  };
  const Case cases[] = {
      {"blob storage", IsBlobStorageType, {18, 19, 20}},
      {"blob data", IsBlobDataType, {31, 32, 33, 34, 35}},
      {"text storage", IsTextStorageType, {1, 2, 3, 4}},
      {"text data", IsTextDataType, {1, 2, 3, 4, 36}},
      {"wide storage", IsWideStorageType, {2, 4}},
      {"wide data", IsWideDataType, {3, 4}},
      {"bytes data", IsBytesDataType, {29, 30}},
      {"autoinc", IsAutoIncDataType, {12, 13, 14, 15, 16, 17, 18, 19}},
      {"numeric storage", IsNumericStorageType, {5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 22}},
      {"date/time storage", IsDateTimeStorageType, {15, 16, 17}},
      {"text or bytes", IsTextOrBytesDataType, {1, 2, 3, 4, 29, 30}},
  };
  for (const Case& c : cases)
    for (int code = 0; code < 40; ++code)
      EXPECT_EQ(c.pred(uint8_t(code)), c.codes.count(code) == 1) << c.name << " " << code;
  for (int code = 0; code < 40; ++code) {
    bool displayable = (code >= 1 && code <= 28) || (code >= 33 && code <= 35);
    EXPECT_EQ(IsDisplayableDataType(uint8_t(code)), displayable) << code;
  }
}
