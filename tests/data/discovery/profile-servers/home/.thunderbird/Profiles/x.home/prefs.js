// the client's preferences
user_pref("mail.server.server1.type", "none");
user_pref("mail.server.server1.hostname", "Local Folders");
user_pref("mail.server.server1.userName", "nobody");
// SSL/TLS on its usual port; the display name escaped
user_pref("mail.server.server2.type", "imap");
user_pref("mail.server.server2.hostname", "imap.example.org");
user_pref("mail.server.server2.userName", "ann@example.org");
user_pref("mail.server.server2.socketType", 3);
user_pref("mail.server.server2.name", "Ann \"Work\" \u00c9t\u00e9");
user_pref("mail.server.server3.type", "pop3");
user_pref("mail.server.server3.hostname", "pop.example.org");
user_pref("mail.server.server3.userName", "ann");
// STARTTLS on a port of its own; host and user changed after the account was made
user_pref("mail.server.server4.type", "imap");
user_pref("mail.server.server4.hostname", "old.example.net");
user_pref("mail.server.server4.realhostname", "new.example.net");
user_pref("mail.server.server4.userName", "old");
user_pref("mail.server.server4.realuserName", "bob");
user_pref("mail.server.server4.port", 1143);
user_pref("mail.server.server4.socketType", 2);
user_pref("mail.server.server4.name", "Bob");
// plain, as the account says, with the port unset (-1); no display name
user_pref("mail.server.server10.type", "imap");
user_pref("mail.server.server10.hostname", "lan.example");
user_pref("mail.server.server10.userName", "carol");
user_pref("mail.server.server10.socketType", 0);
user_pref("mail.server.server10.port", -1);
// "try STARTTLS" would fall back to plain; STARTTLS is required instead
user_pref("mail.server.server5.type", "imap");
user_pref("mail.server.server5.hostname", "try.example.org");
user_pref("mail.server.server5.userName", "dan");
user_pref("mail.server.server5.socketType", 1);
user_pref("mail.server.server5.name", "Dan");
// no socket type at all: never unprotected by default
user_pref("mail.server.server6.type", "imap");
user_pref("mail.server.server6.hostname", "quiet.example.org");
user_pref("mail.server.server6.userName", "eve");
user_pref("mail.server.server6.name", "Eve");
this line is junk
user_pref("mail.server.server7.type", "imap");
user_pref("mail.server.server7.hostname", "unclosed.example);
user_pref("mail.server.server8.type", "imap");
user_pref("mail.server.server8.hostname", "fay.example.org");
user_pref("mail.server.server8.userName", "fay");
user_pref("mail.server.server8.socketType", 9);
user_pref("mail.server.server9.type", "imap");
user_pref("mail.server.server9.hostname", "gil.example.org");
user_pref("mail.server.server9.userName", "gil");
user_pref("mail.server.server9.port", 70000);
user_pref("mail.server.server11.type", "imap");
user_pref("mail.server.server11.hostname", "bad host");
user_pref("mail.server.server11.userName", "hal");
