#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "store/Store.h"

// Reading the real local store the way the window and the export do: through a session.

// The names of the stores a new session finds.
std::vector<std::string> StoreNames();

// The root folder of the store of that name (the test fails when there is none).
std::shared_ptr<store::Folder> RootOf(const std::string& store);

// The folder reached from the store's root through these names.
std::shared_ptr<store::Folder> FolderAt(const std::string& store,
                                        const std::vector<std::string>& names);

std::vector<std::string> FolderNames(const std::shared_ptr<store::Folder>& folder);

// Every message of the folder, in walk order.
std::vector<std::shared_ptr<store::Message>> MessagesOf(
    const std::shared_ptr<store::Folder>& folder);

// A field's text, "<absent>" when the message does not have it, or "<unreadable: reason>".
std::string Field(const std::function<std::string()>& read);

std::string HeadersOf(store::Message& message);
std::string MessageIdOf(store::Message& message);

// Each message's subject, in walk order.
std::vector<std::string> Subjects(const std::shared_ptr<store::Folder>& folder);
