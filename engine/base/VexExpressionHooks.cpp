// The registered expression evaluation of the table layer.
#include "engine/base/VexExpressionHooks.h"

namespace {
TVexExpressionHooks& Hooks() {
  static TVexExpressionHooks hooks;
  return hooks;
}
}  // namespace

void SetExpressionHooks(const TVexExpressionHooks& hooks) {
  Hooks() = hooks;
}

const TVexExpressionHooks& ExpressionHooks() {
  return Hooks();
}
