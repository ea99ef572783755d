#pragma once

#include <memory>
#include <string>
#include <vector>

#include "TempHome.h"
#include "store/Store.h"
#include "store/Walk.h"

// Reading the real local store the way the window and the export do: through a session.

using Names = std::vector<std::string>;

// `read` applied to each element of the collection, in walk order.
template <class T, class Read>
auto Each(const std::shared_ptr<store::Collection<T>>& collection, Read read) {
  std::vector<decltype(read(std::declval<std::shared_ptr<T>&>()))> results;
  std::shared_ptr<T> element;
  for (store::Walk walk(collection, element); !walk.done(); walk.Advance()) {
    results.push_back(read(element));
  }
  return results;
}

// The names of the stores a new session finds.
Names StoreNames();

// The folder reached from the root of that store through these names (the test fails when there
// is none).
std::shared_ptr<store::Folder> FolderAt(const std::string& store, const Names& path = {});

Names FolderNames(const std::shared_ptr<store::Folder>& folder);

// A field by name ("headers", "id", "body", "subject", "sender", "recipients", "date" or
// "other tag"): its text, "<absent>" when the message has none, or "<unreadable: reason>".
std::string Read(store::Message& message, const std::string& field);

// That field of each message of the folder, in walk order.
Names Fields(const std::shared_ptr<store::Folder>& folder, const std::string& field = "subject");

constexpr const char* kAbsent = "<absent>";

// A field's expected text; the message is a fixture's name ("….eml") or the message's bytes.
struct FieldCase {
  std::string message, field, text;
};

// Each message, delivered alone into a maildir in a home of its own, gives exactly that text in
// that field.
void ExpectFields(const std::vector<FieldCase>& cases);

// The only message of a new maildir holding these bytes under that file name.
std::shared_ptr<store::Message> Delivered(const TempHome& home, const std::string& bytes,
                                          const std::string& file = "1710000000.M1P1.host:2,S");
