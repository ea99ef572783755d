#pragma once

#include <string>

namespace store::mh {

// A directory that a mail client has marked as an MH folder: it holds .mh_sequences (nmh, exmh,
// and Claws Mail when it keeps one), or the cache or mark file Claws Mail and Sylpheed keep in
// each folder they have opened. Only names are looked up: no file of the folder is opened.
bool IsMarkedMhFolder(const std::string& path);

}  // namespace store::mh
