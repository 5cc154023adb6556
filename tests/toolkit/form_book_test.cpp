#include "shell/toolkit/form_book.h"

#include <gtest/gtest.h>

namespace keldo {
namespace {

struct Page {
  bool shown = true;
  bool Visible() const { return shown; }
};

using Book = ui::FormBook<Page>;

TEST(FormBookTest, FirstFormMadeIsMainUntilItGoes) {
  Book book;
  Page a, b;
  book.Created(a);
  book.Created(b);
  EXPECT_EQ(book.MainForm(), &a);
  book.Destroyed(a);
  EXPECT_EQ(book.MainForm(), nullptr);  // no other form inherits the role
  EXPECT_EQ(book.Forms(), std::vector<Page*>{&b});
}

TEST(FormBookTest, ModalShowingsNestAndGoInAnyOrder) {
  Book book;
  Page a, b, c;
  for (Page* page : {&a, &b, &c}) {
    book.Created(*page);
  }
  EXPECT_EQ(book.ModalForm(), nullptr);
  book.ModalBegins(b);
  book.ModalBegins(c);
  EXPECT_EQ(book.ModalForm(), &c);
  book.ModalEnds(c);
  EXPECT_EQ(book.ModalForm(), &b);
  book.ModalBegins(c);
  book.Destroyed(b);  // a modal form destroyed under another one
  EXPECT_EQ(book.ModalForm(), &c);
  book.ModalEnds(c);
  EXPECT_EQ(book.ModalForm(), nullptr);
}

// Where the activation goes when a form leaves the screen.
TEST(FormBookTest, ActivationPassesToModalFormThenLastVisible) {
  struct Case {
    const char* name;
    bool bShown, cShown;
    bool bModal;
    int expected;  // index into {a, b, c}, -1 for none
  } cases[] = {
      {"last visible made", true, true, false, 2},
      {"skips hidden forms", true, false, false, 1},
      {"modal form first", true, true, true, 1},
      {"hidden modal form skipped", false, true, true, 2},
      {"nothing visible", false, false, false, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Book book;
    Page pages[4];
    pages[1].shown = c.bShown;
    pages[2].shown = c.cShown;
    for (Page& page : pages) {
      book.Created(page);
    }
    if (c.bModal) {
      book.ModalBegins(pages[1]);
    }
    Page& leaving = pages[3];
    pages[0].shown = false;
    book.Activated(leaving);
    leaving.shown = false;
    book.PassActivation(leaving);
    EXPECT_EQ(book.ActiveForm(), c.expected < 0 ? nullptr : &pages[c.expected]);
  }
}

TEST(FormBookTest, HidingAnInactiveFormLeavesTheActiveOne) {
  Book book;
  Page a, b;
  book.Created(a);
  book.Created(b);
  book.Activated(a);
  b.shown = false;
  book.PassActivation(b);
  EXPECT_EQ(book.ActiveForm(), &a);
}

TEST(FormBookTest, DestroyingTheActiveFormSaysSoAndLeavesNone) {
  Book book;
  Page a, b;
  book.Created(a);
  book.Created(b);
  book.Activated(b);
  EXPECT_FALSE(book.Destroyed(a));
  EXPECT_EQ(book.ActiveForm(), &b);
  EXPECT_TRUE(book.Destroyed(b));
  EXPECT_EQ(book.ActiveForm(), nullptr);
}

}  // namespace
}  // namespace keldo
