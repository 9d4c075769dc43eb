// How the table layer evaluates compiled expressions (filters, conditions, default
// expressions) and finds the index conditions in them: the expression layer registers these.
#pragma once

#include <cstdint>

class TVexBaseSession;
class TVexCursor;
class TVexExpression;
class TVexScanSearchConditionArray;
class TVexTableData;
class TVexVariant;

struct TVexExpressionHooks {
  // Whether the condition holds on a row of the cursor's table.
  bool (*Test)(TVexExpression* expression, TVexCursor& cursor,
               const uint8_t* recordBuffer) = nullptr;
  // The value of an expression that needs no row (default expressions).
  void (*Evaluate)(TVexExpression* expression, TVexBaseSession* session,
                   TVexVariant& result) = nullptr;
  // Adds to conditions the index conditions of the conjuncts of expression that an index of
  // the table can decide.
  void (*AddIndexConditions)(TVexExpression* expression, TVexCursor& cursor, TVexTableData& table,
                             TVexScanSearchConditionArray& conditions) = nullptr;
};

void SetExpressionHooks(const TVexExpressionHooks& hooks);
const TVexExpressionHooks& ExpressionHooks();
