// Autoincrement counters (steps, maximum, cycling, explicit values, session values), defaults
// and the counters' stored form.
#include <gtest/gtest.h>

#include "engine/base/VexExpressionHooks.h"
#include "engine/base/VexFieldDef.h"
#include "engine/base/VexFieldManager.h"
#include "engine/base/VexMemoryStream.h"
#include "tests/engine/base/ExpectVexError.h"
#include "tests/engine/base/MemoryTableFixture.h"

namespace {

struct AutoIncCase {
  const char* what;
  int64_t step, initial, minimum, maximum;
  bool cycle;
  std::vector<int64_t> expected;
};

TEST(VexFieldManager, AutoIncSequences) {
  const AutoIncCase cases[] = {
      {"step 1 from 0", 1, 0, 0, INT64_MAX, false, {1, 2, 3}},
      {"step 0 counts as 1", 0, 0, 0, INT64_MAX, false, {1, 2, 3}},
      {"step 5 from 10", 5, 10, 0, INT64_MAX, false, {15, 20}},
      {"maximum 3 cycles to 1", 1, 0, 1, 3, true, {1, 2, 3, 1, 2}},
      {"maximum 0 means none", 1, 0, 0, 0, false, {1, 2, 3, 4}},
      {"cycle at the 64-bit end", 1, INT64_MAX - 1, 7, INT64_MAX, true, {INT64_MAX, 7}},
  };
  for (const AutoIncCase& c : cases) {
    TMemTableFixture f;
    TVexFieldDef& id = f.AddField("ID", vdtAutoIncInteger);
    id.AutoIncStep = c.step;
    id.AutoIncInitial = c.initial;
    id.AutoIncMin = c.minimum;
    id.AutoIncMax = c.maximum;
    id.AutoIncCycled = c.cycle;
    f.Open();
    std::vector<int64_t> got;
    for (size_t i = 0; i < c.expected.size(); ++i)
      got.push_back(f.Table->FieldManager->NextCounterValue(0));
    EXPECT_EQ(got, c.expected) << c.what;
  }
}

TEST(VexFieldManager, MaximumWithoutCycleRaises) {
  TMemTableFixture f;
  f.AddField("ID", vdtAutoIncInteger).AutoIncMax = 2;
  f.Open();
  f.Table->FieldManager->NextCounterValue(0);
  f.Table->FieldManager->NextCounterValue(0);
  ExpectVexError([&] { f.Table->FieldManager->NextCounterValue(0); }, 20160,
                 "Autoinc max value exceeded for field 'ID' - Native error: 20160");
  // A counter that would leave the 64-bit range is past the maximum as well.
  f.Table->FieldManager->SetCounter(0, INT64_MAX);
  f.Table->FieldManager->FieldDefs()[0].AutoIncMax = INT64_MAX;
  ExpectVexError([&] { f.Table->FieldManager->NextCounterValue(0); }, 20160);
}

TEST(VexFieldManager, InsertFillsAutoIncAndFollowsExplicitValues) {
  TMemTableFixture f;
  f.AddField("ID", vdtAutoIncInteger);
  f.AddField("V", vdtInteger);
  f.Open();
  f.Table->FieldManager->SetCounter(0, 5);
  f.Insert({std::nullopt, 1});
  EXPECT_EQ(f.Int(0), 6);
  f.Insert({100, 2});  // an explicit value above the counter becomes the counter
  EXPECT_EQ(f.Int(0), 100);
  f.Insert({50, 3});  // one below it leaves the counter alone
  f.Insert({std::nullopt, 4});
  EXPECT_EQ(f.Int(0), 101);
  EXPECT_EQ(f.Table->FieldManager->LastSessionValue(&f.Session, 0), 101);
}

TEST(VexFieldManager, AutoIncValueFitsTheFieldWidth) {
  TMemTableFixture f;
  f.AddField("B", vdtAutoIncByte);
  f.AddField("L", vdtAutoIncLargeInt).AutoIncInitial = 5000000000LL;
  f.Open();
  f.Insert({});
  EXPECT_EQ(f.Int(0), 1);
  EXPECT_EQ(f.Int(1), 5000000001LL);
}

TEST(VexFieldManager, SessionValues) {
  TMemTableFixture f;
  f.AddField("V", vdtInteger);
  f.AddField("ID", vdtAutoIncInteger).AutoIncInitial = 41;
  f.Open();
  TVexBaseFieldManager& fields = *f.Table->FieldManager;
  // No value in the session: the counter (single-user), 0 for a plain field.
  EXPECT_EQ(fields.LastSessionValue(&f.Session, 1), 41);
  EXPECT_EQ(fields.LastSessionValue(&f.Session, 0), 0);
  EXPECT_EQ(fields.NextSessionValue(&f.Session, 1), 42);
  TMemSession other;
  EXPECT_EQ(fields.NextSessionValue(&other, 1), 43);
  EXPECT_EQ(fields.LastSessionValue(&f.Session, 1), 42);  // each session keeps its own
  EXPECT_EQ(f.Session.NamedObjectCount(), 1);             // replaced, not added
  TMemSession fresh;
  f.Database.MultiUser = true;
  ExpectVexError([&] { fields.LastSessionValue(&fresh, 1); }, 30012,
                 "No SequenceLastValue in session for sequence 'ID'. Call GetNextVal first - "
                 "Native error: 30012");
  ExpectVexError([&] { fields.NextCounterValue(2); }, 30402,
                 "Field #2 not found - Native error: 30402");
  ExpectVexError([&] { fields.LastSessionValue(&f.Session, -1); }, 30403);
}

TEST(VexFieldManager, DefaultsAreAppliedAndKeptInsideTheSlot) {
  TMemTableFixture f;
  f.AddField("N", vdtInteger).DefaultValue.SetAsInteger(7);
  f.AddField("S", vdtString, 4).DefaultValue.SetAsString("abcdefgh");
  f.AddField("NoDefault", vdtInteger);
  f.AddField("After", vdtInteger);
  f.Open();
  f.NewRow({}, true);
  f.SetInt(3, 99);
  EXPECT_EQ(f.Int(0), 7);
  EXPECT_EQ(f.Text(1), "abcd");  // cut to the field's length, the next slot untouched
  EXPECT_EQ(f.Int(2), std::nullopt);
  EXPECT_EQ(f.Int(3), 99);
}

// A default text that compiles is evaluated anew for every row.
TEST(VexFieldManager, DefaultExpressionIsEvaluatedPerRow) {
  static int marker = 0;
  static int32_t next = 40;
  SetDefaultExpressionCompiler([](const std::string& text) {
    return text == "NEXT()" ? TVexOwned<TVexExpression>(reinterpret_cast<TVexExpression*>(&marker),
                                                        TVexOwnedDelete<TVexExpression>{})
                            : TVexOwned<TVexExpression>();
  });
  SetExpressionHooks({nullptr,
                      [](TVexExpression* e, TVexBaseSession*, TVexVariant& result) {
                        ASSERT_EQ(e, reinterpret_cast<TVexExpression*>(&marker));
                        result.SetAsInteger(++next);
                      },
                      nullptr});
  TMemTableFixture f;
  f.AddField("N", vdtLargeInt).DefaultValue.SetAsString("NEXT()");
  f.Open();
  f.NewRow({}, true);
  EXPECT_EQ(f.Int(0), 41);
  f.NewRow({}, true);
  EXPECT_EQ(f.Int(0), 42);
  SetExpressionHooks({});
  SetDefaultExpressionCompiler(nullptr);
}

TEST(VexFieldManager, CountersStoredForm) {
  TMemTableFixture f;
  f.AddField("A", vdtAutoIncInteger).AutoIncInitial = 3;
  f.AddField("B", vdtInteger);
  f.Open();
  TVexBaseFieldManager& fields = *f.Table->FieldManager;
  TVexMemoryStream written;
  fields.SaveCounters(written);
  const std::vector<uint8_t> expected = {2, 0, 0, 0, 3, 0, 0, 0, 0, 0,
                                         0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::vector<uint8_t>(written.Memory(), written.Memory() + written.GetSize()), expected);

  auto streamOf = [](const std::vector<uint8_t>& bytes) {
    auto stream = std::make_unique<TVexMemoryStream>();
    stream->Write(bytes.data(), int32_t(bytes.size()));
    stream->Seek(0, TSeekOrigin::soBeginning);
    return stream;
  };
  fields.LoadCounters(*streamOf({1, 0, 0, 0, 9, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(fields.Counter(0), 9);
  EXPECT_EQ(fields.Counter(1), 0);

  // A count that the content cannot hold is damage.
  auto damaged = streamOf({0xFF, 0xFF, 0xFF, 0x0F, 1, 2});
  ExpectVexError([&] { fields.LoadCounters(*damaged); }, 20164);

  fields.ResetCounters();
  EXPECT_EQ(fields.Counter(0), 3);
}

}  // namespace
