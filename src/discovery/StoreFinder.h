#pragma once

#include <iostream>
#include <string>
#include <vector>

#include "store/local/LocalStore.h"

namespace discovery {

using store::local::FoundStore;

// The mail stores of the user whose home is $HOME, in the order they are shown, after those in
// `opened` (a store found again there is left out):
//  1. the Maildir++ tree named by $MAILDIR, else ~/Maildir;
//  2. ~/Mail, then ~/mail (directories of mbox files, maildirs and MH folders, as mutt, Claws Mail
//     and Sylpheed keep them);
//  3. each account directory under Mail/ and ImapMail/ of every Thunderbird profile;
//  4. the spool mailbox, $MAIL else /var/mail/$USER, when it is a non-empty file;
//  5. "MH", nmh's mail directory as ~/.mh_profile names it, unless it is one of those above
//     (~/Mail most often: there, every directory but a maildir is then an MH folder);
//  6. Evolution's local folders, in evolution/mail/local of the data home;
//  7. KMail's local folders, where its maildir resource's settings say, else local-mail of the
//     data home;
//  8. the personal folder files (.pst, .ost) the account file lists ("file = PATH"), then those
//     directly in the home and in the documents directory.
// A directory reached twice (through a link, or named by two of these) is listed once. A
// settings file that cannot be read is said on `warnings`.
std::vector<FoundStore> FindStores(std::ostream& warnings = std::cerr,
                                   const std::vector<FoundStore>& opened = {});

// The stores the user names by their paths, in the order given, each named after its file or
// directory: a maildir is a Maildir++ tree, any other directory a tree of mbox files and
// maildirs, a file that holds mbox mail (or nothing yet) a store of one folder, a file that starts
// with the personal folder signature a personal folder file. A path that is
// none of these, or cannot be read, is left out and said in `problems` ("path: why").
// The store that reads a store found: the personal folder binding for a .pst or .ost file, the
// local stores' for the rest.
std::shared_ptr<store::InfoStore> OpenFoundStore(FoundStore found);

std::vector<FoundStore> StoresAtPaths(const std::vector<std::string>& paths,
                                      std::vector<std::string>& problems);

}  // namespace discovery
