"""A clerk changes the splits of two days of the hospital's last month in the real window:
she clicks and types at once, moves on with the navigator and to other days with shares
that do not add up yet (one message each time, the shares kept), corrects them, and moves
on again: what she typed is what the database holds."""

import unittest

from clerk import (HOSPITAL_CNPJ, SOMA_DIF, DesktopStory, br, display_quantity, last_month,
                   quantity_text)


class SharesSurviveMoves(DesktopStory):
    def test_typed_shares_are_sent_or_kept_on_every_move(self):
        c, d = self.clerk, self.desktop
        start, end = last_month()
        c.start_demo()
        lunch = c.service_code("Almoço")
        dinner = c.service_code("Jantar")
        [halves] = c.split_days(lunch, start, end)
        [thirds] = c.split_days(dinner, start, end)
        lunch_count = c.billed(lunch, halves)
        half = lunch_count / 2

        c.fill_filter("1", HOSPITAL_CNPJ, start, end)
        c.open_daily_page("Almoço")
        c.choose_day(halves)
        d.wait(lambda: c.rows("Rateio") == 2, "the day's two halves")

        # Typing over a half: a click on the current cell and the digits typed at once.
        south = c.row_of("Rateio", 2, "Ala sul")
        c.click_cell("Rateio", south, 0)
        d.wait(lambda: c.current_row("Rateio") == south, "the cell to be current")
        c.click_cell("Rateio", south, 0)
        d.type("5")
        d.key("Return")
        c.wait_cell("Rateio", south, 0, display_quantity(5))

        # The navigator: the day no longer adds up, so the service stays, with one message.
        c.press("Próximo")
        self.assertEqual(c.answer(), SOMA_DIF)
        self.assertEqual(c.service_on_navigator(), "Almoço")
        self.assertEqual(c.current_day(), br(halves))
        self.assertEqual(c.text("Rateio", south, 0), display_quantity(5))

        # Another day by a click: the grid's exit refuses once; the window coming back after
        # the message is no second exit.
        c.click_cell("Efetivos", c.row_of("Efetivos", 0, br(halves)) + 1, 0)
        self.assertEqual(c.answer(button="OK"), SOMA_DIF)
        d.wait(lambda: c.focus_in_grid("Rateio"), "the focus kept in the shares")
        self.assertEqual(c.current_day(), br(halves))
        self.assertEqual(c.shares(lunch, halves)[1][1], half)
        self.assertMessagesShown(2)

        # Corrected, the navigator sends the day and goes on to the next service.
        north = c.row_of("Rateio", 2, "Ala norte")
        c.click_cell("Rateio", north, 0)
        d.type(quantity_text(lunch_count - 5))
        d.key("Return")
        c.wait_cell("Rateio", north, 0, display_quantity(lunch_count - 5))
        c.press("Próximo")
        d.wait(lambda: c.service_on_navigator() == "Jantar", "the next service")
        self.assertEqual(c.shares(lunch, halves), [("0001", lunch_count - 5, "001", "Ala norte"),
                                                   ("0002", 5.0, "002", "Ala sul")])

        # The dinner split in thirds: a note typed over, then another day.
        c.choose_day(thirds)
        d.wait(lambda: c.rows("Rateio") == 3, "the day's thirds")
        c.click_cell("Rateio", 0, 2)
        d.type("Plantão A revisto")
        d.key("Return")
        next_day = c.row_of("Efetivos", 0, br(thirds)) + 1
        c.click_cell("Efetivos", next_day, 0)
        self.assertEqual(c.answer(), SOMA_DIF)
        self.assertEqual(c.current_day(), br(thirds))
        self.assertEqual(c.text("Rateio", 0, 2), "Plantão A revisto")

        stored = c.shares(dinner, thirds)
        exact = c.billed(dinner, thirds) - 2 * round(stored[0][1], 2)
        c.click_cell("Rateio", 2, 0)
        d.type(quantity_text(exact))
        d.key("Return")
        c.click_cell("Efetivos", next_day, 0)
        d.wait(lambda: c.current_day() != br(thirds), "the next day")
        saved = c.shares(dinner, thirds)
        self.assertEqual(saved[0][3], "Plantão A revisto")
        self.assertAlmostEqual(saved[2][1], exact, places=6)
        self.assertMessagesShown(3)


if __name__ == "__main__":
    unittest.main(warnings="ignore")
