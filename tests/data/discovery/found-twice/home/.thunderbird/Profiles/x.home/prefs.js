user_pref("mail.server.server1.type", "imap");
user_pref("mail.server.server1.hostname", "IMAP.Example.org");
user_pref("mail.server.server1.userName", "ann");
user_pref("mail.server.server1.socketType", 3);
user_pref("mail.server.server1.name", "From the profile");
