#include "ChannelName.h"

#include <gtest/gtest.h>

namespace {

using FuntionImpl::GetChannelName;

TEST(ChannelName, PlainRows) {
  const std::pair<int, const char*> rows[] = {
      {1, "CW"},         {5, "Brindle"},      {10, "Tessel"},         {54, "ZHCN"},        {118, "ZHCN"},
      {12, "Fennick"},   {6, "Tool"},         {14, "Card"},           {93, "HalvardCN"},   {127, "HalvardCN"},
      {90, "Mirrowbay"}, {188, "Tamsin"},     {272, "Ustrel"},        {293, "UstrelNet"},  {271, "Balmor"},
      {305, "BalmorNet"}, {133, "HalvardSoftware"}, {290, "HalvardSoftware"}, {336, "Orrin"}, {338, "OrrinNet"},
      {354, "TesselCN"}, {360, "Wendal"}};
  for (const auto& [site, name] : rows) {
    // Markers mean nothing to a row without them.
    EXPECT_EQ(GetChannelName(site, "https://x/Setup_bing_yahoo_online.exe"), name) << site;
  }
}

TEST(ChannelName, SearchMarkersInOrderOnTheLowerCasedAddress) {
  EXPECT_EQ(GetChannelName(2, "https://dl.test/Quorla_BING_setup.exe"), "CWNET-Bing");
  EXPECT_EQ(GetChannelName(2, "https://dl.test/Quorla_yahoo_bing.exe"), "CWNET-Bing");
  EXPECT_EQ(GetChannelName(2, "https://dl.test/Quorla_yahoo.exe"), "CWNET-Yahoo");
  EXPECT_EQ(GetChannelName(2, "https://dl.test/Quorla.exe"), "CWNET");
  EXPECT_EQ(GetChannelName(206, "x_bing.exe"), "BrindleNet-Bing");
  EXPECT_EQ(GetChannelName(206, "x_yahoo_y"), "BrindleNet-Yahoo");
  EXPECT_EQ(GetChannelName(206, ""), "BrindleNet");
  EXPECT_EQ(GetChannelName(8, "x_bing_y"), "TesselNET-Bing");
  EXPECT_EQ(GetChannelName(8, "x_yahoo_y"), "TesselNET");
  EXPECT_EQ(GetChannelName(74, "x_Yahoo.exe"), "QuorlaNet-Yahoo");
  EXPECT_EQ(GetChannelName(74, "x"), "QuorlaNet");
  EXPECT_EQ(GetChannelName(61, "x_online_setup"), "QuorlaOnline");
  EXPECT_EQ(GetChannelName(61, "x_onlin.exe"), "Quorla");
}

TEST(ChannelName, OddRows) {
  EXPECT_EQ(GetChannelName(84, "x_bing_setup.exe"), "ZephraNet");
  EXPECT_EQ(GetChannelName(84, "x_bing.exe"), "ZephraNet-Bing");
  EXPECT_EQ(GetChannelName(84, "x_ZephraBing.exe"), "ZephraNet-Bing");
  EXPECT_EQ(GetChannelName(66, "x_zephrafree.exe"), "ZephraFree");
  EXPECT_EQ(GetChannelName(66, "x_bing.exe"), "Zephra");
}

TEST(ChannelName, UnknownSiteIdIsItsNumber) {
  EXPECT_EQ(GetChannelName(999, "x_bing.exe"), "999");
  EXPECT_EQ(GetChannelName(0, ""), "0");
  EXPECT_EQ(GetChannelName(-3, ""), "-3");
}

}  // namespace
