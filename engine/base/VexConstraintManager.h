// TVexBaseConstraintManager: a table's constraint definitions, the check of a row against
// them (PRIMARY KEY, UNIQUE, NOT NULL, CHECK), and the naming and resolving of constraints.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/base/VexNavigation.h"

class TVexConstraintDef;
class TVexConstraintDefs;
class TVexTableData;

class TVexBaseConstraintManager {
 public:
  explicit TVexBaseConstraintManager(TVexTableData* table);
  TVexBaseConstraintManager(const TVexBaseConstraintManager&) = delete;
  TVexBaseConstraintManager& operator=(const TVexBaseConstraintManager&) = delete;
  virtual ~TVexBaseConstraintManager();

  // Checks recordBuffer against every constraint in list order. With raiseError off the
  // first failure answers false instead of raising. recordID names the row being updated
  // (unused when inserting).
  bool CheckRecord(int32_t sessionID, const uint8_t* recordBuffer, bool inserting,
                   const TVexRecordIDBytes& recordID, bool raiseError);

  // Copies the definitions.
  void AssignDefs(const TVexConstraintDefs& constraintDefs);
  // Fills the IDs of each constraint from the names of the fields and indexes it refers to.
  void ResolveIds();
  // Gives every unnamed constraint a name: "$C_NotNull$<ref 2>$<ref 3>" ("C_Check" for
  // CHECK), with a random number below 65535 appended while the name exists.
  void GenerateNames();

  TVexConstraintDefs& ConstraintDefs() const { return *ConstraintDefs_; }
  TVexTableData* Table;  // not owned

 private:
  std::unique_ptr<TVexConstraintDefs> ConstraintDefs_;
};
