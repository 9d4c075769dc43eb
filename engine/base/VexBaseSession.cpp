// The base session's store of named objects.
#include "engine/base/VexBaseSession.h"

#include <algorithm>

#include "engine/base/VexMetaObjectDef.h"

void TVexBaseSession::AddNamedObject(std::unique_ptr<TVexSessionNamedObject> object) {
  if (!object) return;
  const auto same = std::find_if(NamedObjects_.begin(), NamedObjects_.end(), [&](const auto& o) {
    return object->ObjectID == -1 ? SameDefName(o->Name, object->Name)
                                  : o->ObjectID == object->ObjectID;
  });
  if (same != NamedObjects_.end()) NamedObjects_.erase(same);
  NamedObjects_.push_back(std::move(object));
}

TVexSessionNamedObject* TVexBaseSession::FindNamedObjectByName(const std::string& name) const {
  for (const auto& o : NamedObjects_)
    if (SameDefName(o->Name, name)) return o.get();
  return nullptr;
}

TVexSessionNamedObject* TVexBaseSession::FindNamedObjectById(int32_t objectID) const {
  for (const auto& o : NamedObjects_)
    if (o->ObjectID == objectID) return o.get();
  return nullptr;
}

void TVexBaseSession::RemoveNamedObject(int32_t objectID) {
  const auto it = std::find_if(NamedObjects_.begin(), NamedObjects_.end(),
                               [&](const auto& o) { return o->ObjectID == objectID; });
  if (it != NamedObjects_.end()) NamedObjects_.erase(it);
}
