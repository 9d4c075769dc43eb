// The abstract engine session: its ID, transaction flag and the store of named objects that
// carries per-session values such as the last value of each autoincrement sequence.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// An object a session keeps by ID and name.
class TVexSessionNamedObject {
 public:
  TVexSessionNamedObject(int32_t objectID, std::string name)
      : ObjectID(objectID), Name(std::move(name)) {}
  virtual ~TVexSessionNamedObject() = default;

  int32_t ObjectID;
  std::string Name;  // at most 255 characters
};

// The last value this session generated or stored for an autoincrement field; the object ID
// is the field's object ID.
class TVexSessionNamedObjectSequenceValue : public TVexSessionNamedObject {
 public:
  TVexSessionNamedObjectSequenceValue(int32_t objectID, std::string name, int64_t lastValue)
      : TVexSessionNamedObject(objectID, std::move(name)), LastValue(lastValue) {}

  int64_t LastValue;
};

class TVexBaseSession {
 public:
  TVexBaseSession() = default;
  TVexBaseSession(const TVexBaseSession&) = delete;
  TVexBaseSession& operator=(const TVexBaseSession&) = delete;
  virtual ~TVexBaseSession() = default;

  virtual bool GetConnected() const = 0;
  virtual void SetConnected(bool connected) = 0;
  virtual bool GetDatabaseOption() const = 0;
  virtual void SetDatabaseOption(bool value) = 0;
  virtual void CreateDatabase() = 0;
  // Two operations that the local session implements without work.
  virtual void ReservedOperation() = 0;
  virtual void ReservedTextOperation(const std::string& text) = 0;
  virtual void GetTableNames(std::vector<std::string>& names) = 0;
  virtual bool TableExists(const std::string& tableName) = 0;
  // Removes and frees an existing object with the same object ID (or, when the new object's
  // ID is -1, with the same name), then appends the new one.
  virtual void AddNamedObject(std::unique_ptr<TVexSessionNamedObject> object);
  // Case-insensitive name match (upper-cased in the user's locale); null when absent.
  virtual TVexSessionNamedObject* FindNamedObjectByName(const std::string& name) const;
  // The first object with the ID; null when absent.
  virtual TVexSessionNamedObject* FindNamedObjectById(int32_t objectID) const;
  // Frees and removes the object with the ID, if any.
  virtual void RemoveNamedObject(int32_t objectID);
  virtual void StartTransaction() = 0;
  virtual void Commit(bool flush) = 0;
  virtual void Rollback() = 0;
  virtual void FlushBuffers() = 0;

  int32_t NamedObjectCount() const { return int32_t(NamedObjects_.size()); }

  int32_t SessionID = -1;  // -1 until the implementation connects the session
  bool InTransaction = false;

 private:
  std::vector<std::unique_ptr<TVexSessionNamedObject>> NamedObjects_;
};
