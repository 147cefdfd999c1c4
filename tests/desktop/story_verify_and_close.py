"""A clerk includes shares on a day of the hospital's dinners and verifies, then closes the
screen: shares that add up are sent on the way, shares that do not are kept with one
message, and closing asks before it drops them (No by default)."""

import unittest

from clerk import (DISCARD, HOSPITAL_CNPJ, SOMA_DIF, DesktopStory, display_quantity, last_month,
                   quantity_text)


class VerifyAndClose(DesktopStory):
    def test_verify_and_close_keep_what_was_typed(self):
        c, d = self.clerk, self.desktop
        start, end = last_month()
        c.start_demo()
        dinner = c.service_code("Jantar")
        day = c.billed_days(dinner, start, end)[0]
        count = c.billed(dinner, day)
        self.assertEqual(c.shares(dinner, day), [])

        c.fill_filter("1", HOSPITAL_CNPJ, start, end)
        c.open_daily_page("Jantar")
        c.choose_day(day)

        # A share typed after Incluir, then Verificar: sent first, then the days reload.
        c.press("Incluir")
        d.wait(lambda: c.rows("Rateio") == 1, "the new share's row")
        d.type(quantity_text(count))
        d.key("Tab")
        d.type("1")
        d.key("Tab")
        d.type("Plantão")
        c.press("Verificar")
        d.wait(lambda: c.shares(dinner, day) == [("0001", count, "001", "Plantão")],
               "the share in the database")

        # A second share that breaks the sum: Verificar waits, with one message.
        c.press("Incluir")
        d.wait(lambda: c.rows("Rateio") == 2, "the second share's row")
        d.type("2")
        d.key("Tab")
        d.type("2")
        c.press("Verificar")
        self.assertEqual(c.answer(), SOMA_DIF)
        self.assertEqual(c.rows("Rateio"), 2)

        # Closing: the sum again, then the question, which Enter answers No.
        c.press("Fechar")
        self.assertEqual(c.answer(), SOMA_DIF)
        self.assertEqual(c.answer("Return"), DISCARD)
        d.wait(lambda: c.rows("Rateio") == 2, "the shares still on screen")
        self.assertIn("Torvo", d.active_window_name())
        self.assertEqual(len(c.shares(dinner, day)), 1)

        # Corrected, closing sends them.
        first = c.row_of("Rateio", 2, "Plantão")
        c.click_cell("Rateio", first, 0)
        d.type(quantity_text(count - 2))
        d.key("Return")
        c.wait_cell("Rateio", first, 0, display_quantity(count - 2))
        c.press("Fechar")
        d.wait(lambda: "Torvo" not in d.active_window_name(), "the screen to close")
        self.assertEqual(c.shares(dinner, day), [("0001", count - 2, "001", "Plantão"),
                                                 ("0002", 2.0, "002", "")])
        self.assertMessagesShown(3)


if __name__ == "__main__":
    unittest.main(warnings="ignore")
