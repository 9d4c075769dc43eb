// vexinspect's view of one table: definitions as text and JSON, rows in scan order as CSV and
// JSON with NULLs, quoting and BLOB fields.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "engine/base/VexRecordLayout.h"
#include "engine/base/VexValueConvert.h"
#include "engine/storage/DiskDatabaseCatalog.h"
#include "engine/storage/DiskTableStorage.h"
#include "platform/LittleEndian.h"
#include "tools/vexinspect/TableReport.h"

namespace {

class TableReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vex_inspect_XXXXXX";
    dir_ = mkdtemp(tmpl);
    name_ = dir_ + "/db.vex";
    TVexDiskDatabaseCatalog::CreateDatabase(name_, {}, TVexCreateOptions{4096, 8, 4});
    TVexDiskDatabaseCatalog db;
    TVexPassword pw;
    bool multiUser = false, readOnly = false;
    db.Open(name_, pw, multiUser, false, readOnly);
    TVexFieldDefs fields;
    const std::pair<const char*, TVexDataType> defs[] = {{"fID", vdtInteger},  {"fName", vdtString},
                                                         {"fPrice", vdtFloat}, {"fOk", vdtLogical},
                                                         {"fDay", vdtDate},    {"fPic", vdtBlob}};
    for (auto [n, t] : defs) {
      TVexFieldDef& f = fields.AddFieldDef();
      f.Name = n;
      f.SetDataType(t, t == vdtString ? 12 : 0);
    }
    TVexIndexDefs indexes;
    TVexIndexDef& ix = indexes.AddIndexDef();
    ix.Name = "ixID";
    ix.Primary = 1;
    ix.SetColumns({"fID"}, {"DESC"}, {""});
    TVexConstraintDefs constraints;
    TVexConstraintDefNotNull& nn = constraints.AddNotNull();
    nn.Name = "nnName";
    nn.References[2].Name = "fName";
    TVexDiskTableStorage t(&db, "tLicense");
    t.Create(fields, indexes, constraints);
    t.Open(-2, false);
    const TVexRecordLayout& l = t.Metadata.FieldDefs.Layout();
    struct Row {
      int32_t id;
      const char* name;
      double price;
      bool ok;
      int32_t day;
    };
    const Row rows[] = {{1, "plain", 2.5, true, 738000}, {2, "a,\"b\"", -1, false, 1}};
    for (const Row& r : rows) {
      std::vector<uint8_t> b(size_t(l.RecordBufferSize), 0);
      WriteInt32LE(b.data() + l.Fields[0].BufferOffset, r.id);
      std::memcpy(b.data() + l.Fields[1].BufferOffset, r.name, std::strlen(r.name));
      WriteDoubleLE(b.data() + l.Fields[2].BufferOffset, r.price);
      WriteUInt16LE(b.data() + l.Fields[3].BufferOffset, r.ok ? 1 : 0);
      WriteInt32LE(b.data() + l.Fields[4].BufferOffset, r.day);
      if (r.id == 2) SetNullBit(b.data(), 5, true);
      TVexDiskRecordId id;
      ASSERT_TRUE(t.RecordManager->AddRecord(-2, b.data(), id));
    }
    t.SaveHeader(-2);
    db.PageManager->Commit(-2);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string dir_, name_;
};

TEST_F(TableReportTest, DefinitionsAsTextAndJson) {
  TInspectTable t = InspectTable(name_, {}, "TLICENSE", false);
  EXPECT_EQ(t.Name, "tLicense");
  EXPECT_EQ(t.RecordCount, 2);
  std::string text = RenderTableText(t);
  for (const char* part :
       {"Fields (6):", "  fName: STRING(12), stored as", "ixID PRIMARY: fID DESC",
        "nnName: NOT NULL on fName", "Records:              2"})
    EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
  std::string json = RenderTableJson(t);
  EXPECT_NE(json.find("{\"name\": \"ixID\", \"unique\": false, \"primary\": true, \"columns\": "
                      "[\"fID DESC\"]}"),
            std::string::npos)
      << json;
  EXPECT_TRUE(t.Rows.empty());
}

TEST_F(TableReportTest, RowsInScanOrderAsCsvAndJson) {
  TInspectTable t = InspectTable(name_, {}, "tLicense", true);
  EXPECT_EQ(RenderRowsCsv(t),
            "fID,fName,fPrice,fOk,fDay,fPic\n"
            "1,plain,2.5,true,2021-07-29,BLOB\n"
            "2,\"a,\"\"b\"\"\",-1,false,0001-01-01,\n");
  EXPECT_EQ(RenderRowsJson(t),
            "[\n  {\"fID\": 1, \"fName\": \"plain\", \"fPrice\": 2.5, \"fOk\": true, \"fDay\": "
            "\"2021-07-29\", \"fPic\": \"BLOB\"},\n  {\"fID\": 2, \"fName\": \"a,\\\"b\\\"\", "
            "\"fPrice\": -1, \"fOk\": false, \"fDay\": \"0001-01-01\", \"fPic\": null}\n]\n");
}

}  // namespace
