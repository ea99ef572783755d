// a number too large for any preference
user_pref("big", 99999999999999999999999);user_pref("ok", 1);