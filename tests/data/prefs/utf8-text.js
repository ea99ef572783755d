// UTF-8 text is kept as it is
user_pref("name", "Björk ✉");