#include <gtest/gtest.h>

#include "acquisition/comment_client.h"

TEST(ComposeThreadRequest, CurrentComments) {
    CCommentClient client;
    EXPECT_EQ(client.ComposeThreadRequest("77", 250),
              "<thread res_from=\"-250\" version=\"20061206\" thread=\"77\" />");
    EXPECT_EQ(client.ComposeThreadRequest("77", 1000),
              "<thread res_from=\"-1000\" version=\"20061206\" thread=\"77\" />");
}

TEST(ComposeThreadRequest, PastLogAttributesFirst) {
    CCommentClient client;
    EXPECT_EQ(client.ComposeThreadRequest("77", 250, "123", 1262322245, "key.1"),
              "<thread user_id=\"123\" when=\"1262322245\" waybackkey=\"key.1\" res_from=\"-250\" "
              "version=\"20061206\" thread=\"77\" />");
    // Without a key or a moment the request is a current one.
    EXPECT_EQ(client.ComposeThreadRequest("77", 5, "123", 1262322245, ""),
              "<thread res_from=\"-5\" version=\"20061206\" thread=\"77\" />");
    EXPECT_EQ(client.ComposeThreadRequest("77", 5, "123", 0, "k"),
              "<thread res_from=\"-5\" version=\"20061206\" thread=\"77\" />");
}

TEST(ComposeThreadRequest, ValuesCannotBreakTheElement) {
    CCommentClient client;
    EXPECT_EQ(client.ComposeThreadRequest("7\"8", 1, "a<b", 5, "k&y"),
              "<thread user_id=\"a&lt;b\" when=\"5\" waybackkey=\"k&amp;y\" res_from=\"-1\" version=\"20061206\" "
              "thread=\"7&quot;8\" />");
}
