// Rows for the disk table tests: a field of every type not stored as a BLOB, rows of
// deterministic bytes, and checks run in a child process.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/base/VexExcept.h"
#include "engine/base/VexFieldDef.h"
#include "engine/base/VexRecordLayout.h"

// Every declared type that is not stored as a BLOB.
inline const TVexDataType kNonBlobTypes[] = {vdtChar,
                                             vdtString,
                                             vdtWideChar,
                                             vdtWideString,
                                             vdtShortInt,
                                             vdtSmallInt,
                                             vdtInteger,
                                             vdtLargeInt,
                                             vdtByte,
                                             vdtWord,
                                             vdtCardinal,
                                             vdtAutoInc,
                                             vdtAutoIncShortInt,
                                             vdtAutoIncSmallInt,
                                             vdtAutoIncInteger,
                                             vdtAutoIncLargeInt,
                                             vdtAutoIncByte,
                                             vdtAutoIncWord,
                                             vdtAutoIncCardinal,
                                             vdtSingle,
                                             vdtFloat,
                                             vdtExtended,
                                             vdtLogical,
                                             vdtCurrency,
                                             vdtDate,
                                             vdtTime,
                                             vdtDateTime,
                                             vdtTimeStamp,
                                             vdtBytes,
                                             vdtVarBytes,
                                             vdtGuid};

// Runs check in a child process; expects it to answer true without an engine error.
inline void ExpectInChildProcess(const std::function<bool()>& check) {
  pid_t child = fork();
  if (child == 0) {
    int code = 1;
    try {
      code = check() ? 0 : 1;
    } catch (const Exception&) {
      code = 2;
    }
    _exit(code);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

inline void AddNonBlobFields(TVexFieldDefs& defs) {
  for (TVexDataType t : kNonBlobTypes) {
    TVexFieldDef& f = defs.AddFieldDef();
    f.Name = "f" + std::to_string(int(t));
    f.SetDataType(t, 20);
  }
}
// A row of deterministic bytes in every slot (text slots end in a terminator); every
// seventh field of a row is NULL.
inline std::vector<uint8_t> PatternRow(const TVexRecordLayout& layout, int32_t row) {
  std::vector<uint8_t> b(size_t(layout.RecordBufferSize), 0);
  for (size_t i = 0; i < layout.Fields.size(); ++i) {
    const TVexFieldSlot& f = layout.Fields[i];
    if ((row + int(i)) % 7 == 0) {
      SetNullBit(b.data(), int32_t(i), true);
      continue;
    }
    for (int32_t k = 0; k < f.BufferSize; ++k)
      b[size_t(f.BufferOffset + k)] = uint8_t(1 + (row * 31 + int(i) * 7 + k) % 200);
    bool text = f.StorageType == vstChar || f.StorageType == vstString ||
                f.StorageType == vstWideChar || f.StorageType == vstWideString;
    if (text) {
      int32_t cut = 1 + row % (f.BufferSize - 2);
      std::memset(b.data() + f.BufferOffset + cut, 0, size_t(f.BufferSize - cut));
    }
  }
  return b;
}
