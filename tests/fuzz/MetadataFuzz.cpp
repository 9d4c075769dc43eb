// Fuzzes the loaders of stored table metadata: a field list, an index list and a constraint
// list read one after the other from the same bytes, as a table's metadata is kept. Damaged
// input must raise an engine error; whatever loads must save and load again to the same bytes.
#include <cstdlib>

#include "engine/base/VexConstraintDef.h"
#include "engine/base/VexFieldDef.h"
#include "engine/base/VexIndexDef.h"
#include "engine/base/VexMemoryStream.h"
#include "platform/Exception.h"
#include "tests/fuzz/FuzzDriver.h"

namespace {

struct TMetadata {
  TVexFieldDefs Fields;
  TVexIndexDefs Indexes;
  TVexConstraintDefs Constraints;

  void Load(TVexStream& r) {
    Fields.LoadFromStream(r);
    Fields.CalculateLayout();
    Indexes.LoadFromStream(r);
    Constraints.LoadFromStream(r);
  }
  std::vector<uint8_t> Save() const {
    TVexMemoryStream w;
    Fields.SaveToStream(w);
    Indexes.SaveToStream(w);
    Constraints.SaveToStream(w);
    return std::vector<uint8_t>(w.Memory(), w.Memory() + w.GetSize());
  }
  // Loads from a memory stream that holds the bytes.
  void LoadBytes(const uint8_t* data, size_t size) {
    TVexMemoryStream r;
    if (size > 0) r.WriteChecked(data, int32_t(size), 1);
    r.SetPosition(0);
    Load(r);
  }
};

}  // namespace

std::vector<std::vector<uint8_t>> VexFuzzSeeds() {
  TMetadata m;
  TVexFieldDef& id = m.Fields.AddFieldDef();
  id.Name = "fLicenseID";
  id.ObjectID = 1;
  id.SetDataType(vdtAutoIncInteger, 0);
  TVexFieldDef& desc = m.Fields.AddFieldDef();
  desc.Name = "fLicenseDesc";
  desc.ObjectID = 2;
  desc.SetDataType(vdtString, 100);
  TVexFieldDef& memo = m.Fields.AddFieldDef();
  memo.Name = "fNotes";
  memo.ObjectID = 3;
  memo.SetDataType(vdtMemo, 0);
  memo.BlobCompressionAlgorithm = 1;
  memo.BlobCompressionMode = 5;
  TVexIndexDef& pk = m.Indexes.AddIndexDef();
  pk.Name = "pk";
  pk.ObjectID = 4;
  pk.Primary = 1;
  pk.SetColumns({"fLicenseID", "fLicenseDesc"}, {"ASC", "DESC"}, {"CASE", "NO_CASE"});
  TVexConstraintDefPrimary& p = m.Constraints.AddPrimary();
  p.Name = "pk";
  p.References[1] = {"tLicense", 0};
  p.References[2] = {"pk", 4};
  p.Columns = {{"fLicenseID", 1}};
  TVexConstraintDefNotNull& nn = m.Constraints.AddNotNull();
  nn.References[2] = {"fLicenseDesc", 2};
  m.Constraints.AddCheck().Name = "ck";
  m.Constraints.AddUnique().Columns = {{"fLicenseDesc", 2}, {"fNotes", 3}};
  return {m.Save(), {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMetadata m;
  try {
    m.LoadBytes(data, size);
  } catch (const Exception&) {
    return 0;  // damaged input is reported, and that is all
  }
  const std::vector<uint8_t> saved = m.Save();
  TMetadata again;
  again.LoadBytes(saved.data(), saved.size());
  if (again.Save() != saved) std::abort();
  return 0;
}
