// OAuth2 (authMethod 10) at Google and Microsoft, told by the server's name
user_pref("mail.server.server1.type", "imap");
user_pref("mail.server.server1.hostname", "imap.gmail.com");
user_pref("mail.server.server1.userName", "ann@gmail.com");
user_pref("mail.server.server1.socketType", 3);
user_pref("mail.server.server1.authMethod", 10);
user_pref("mail.server.server1.name", "Gmail");
user_pref("mail.server.server2.type", "imap");
user_pref("mail.server.server2.hostname", "outlook.office365.com");
user_pref("mail.server.server2.userName", "ann@example.com");
user_pref("mail.server.server2.socketType", 3);
user_pref("mail.server.server2.authMethod", 10);
user_pref("mail.server.server2.name", "Work");
// OAuth2 at a server whose provider the name does not tell
user_pref("mail.server.server3.type", "imap");
user_pref("mail.server.server3.hostname", "mail.example.org");
user_pref("mail.server.server3.userName", "ann");
user_pref("mail.server.server3.socketType", 2);
user_pref("mail.server.server3.authMethod", 10);
// a password (authMethod 3) at Google
user_pref("mail.server.server4.type", "imap");
user_pref("mail.server.server4.hostname", "imap.googlemail.com");
user_pref("mail.server.server4.userName", "bob@gmail.com");
user_pref("mail.server.server4.socketType", 3);
user_pref("mail.server.server4.authMethod", 3);
// OAuth2 at Google's other name, written in capitals
user_pref("mail.server.server5.type", "imap");
user_pref("mail.server.server5.hostname", "IMAP.GoogleMail.com");
user_pref("mail.server.server5.userName", "cy@googlemail.com");
user_pref("mail.server.server5.socketType", 3);
user_pref("mail.server.server5.authMethod", 10);
user_pref("mail.server.server5.name", "Old Gmail");
