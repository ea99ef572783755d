user_pref("mail.server.server1.type", "imap");
user_pref("mail.server.server1.hostname", "home.example.org");
user_pref("mail.server.server1.userName", "me");
user_pref("mail.server.server1.socketType", 3);
user_pref("mail.server.server1.name", "Home");
