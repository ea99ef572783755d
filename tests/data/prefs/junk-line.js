// a junk line without ; costs only itself
this is not a statement
user_pref("kept", 1);