// An invented thread of seven comments for the viewer's tests: its moments in
// seconds are 1.2, 45.0 (shita), 45.1, 44.8 (ue), none, 900.0 and 45.0, its
// dates out of order; comment 6 holds a tab (a character reference), quotes
// and a line end, comment 7 half-width kana.
#pragma once

inline constexpr char kViewerThread[] =
    u8"<?xml version=\"1.0\" encoding=\"UTF-8\"?><packet><thread thread=\"1302222473\" last_res=\"7\"/>"
    u8"<chat no=\"1\" vpos=\"120\" date=\"1262304001\" mail=\"184\" user_id=\"Xk3_pQ9-zR\">わこつ</chat>"
    u8"<chat no=\"2\" vpos=\"4500\" date=\"1262304065\" mail=\"shita red\" user_id=\"u2\">ＯＰきたああああ</chat>"
    u8"<chat no=\"3\" vpos=\"4510\" date=\"1262304070\" user_id=\"u3\">ｗｗｗ表示ソ</chat>"
    u8"<chat no=\"4\" vpos=\"4480\" date=\"1262304090\" mail=\"ue\" user_id=\"한글유저\">予告😀</chat>"
    u8"<chat no=\"5\" date=\"1262304100\" user_id=\"u5\">時間なし</chat>"
    u8"<chat no=\"6\" vpos=\"90000\" date=\"1262304000\" user_id=\"u6\">最後はWWW&#x9;\"引用\"\n二行目</chat>"
    u8"<chat no=\"7\" vpos=\"4500\" date=\"1262304200\" user_id=\"u7\">ｶﾞﾝﾀﾞﾑ</chat>"
    u8"</packet>";
