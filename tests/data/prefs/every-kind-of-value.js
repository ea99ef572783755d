// every kind of value
user_pref("mail.server.server1.hostname", "imap.example.org");
user_pref("mail.server.server1.port", 993);
user_pref("mail.server.server1.port.minus", -1);
user_pref("mail.server.server1.check_new_mail", true);
user_pref("mail.server.server1.login_at_startup", false);
