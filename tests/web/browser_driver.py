"""Plays the browser surface in two headless Chromium windows for browser_surface_browser_test.

Talks with the test line by line: prints what it did or saw on stdout, reads the test's answer
or next step from stdin. Every wait is a WebDriverWait on the page's own state.
Usage: browser_driver.py URL  (URL with the right token)
"""
import sys
import urllib.error
import urllib.parse
import urllib.request

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

WAIT = 10  # seconds; page loads on a busy machine, not MIDI
MAX = 127


def say(*words):
    print(*words, flush=True)


def hear():
    line = sys.stdin.readline().split()
    if not line or line[0] == "fail":
        sys.exit("the test stopped: " + " ".join(line))
    return line


def browser(url):
    options = webdriver.ChromeOptions()
    for arg in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage",
                "--window-size=1280,800"):
        options.add_argument(arg)
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.get(url)
    # The first state message marks the current page.
    until(driver, lambda d: d.find_elements(By.CSS_SELECTOR, '[data-page][aria-pressed="true"]'))
    return driver


def until(driver, condition):
    return WebDriverWait(driver, WAIT).until(condition)


def fader(driver, slot):
    return driver.find_element(By.CSS_SELECTOR, f'[role="slider"][data-slot="{slot}"]')


def value_of(driver, slot):
    return int(fader(driver, slot).get_attribute("aria-valuenow"))


def shows(slot, value):
    return lambda d: value_of(d, slot) == value


def main():
    url = sys.argv[1]
    a = browser(url)
    b = browser(url)
    try:
        say("ready")
        hear()

        # A drag on slot 5 in one window reaches the MIDI output and the other window.
        # Past the fader's end, which the captured pointer may leave: the value is then known.
        dragged, step = (MAX, -150) if value_of(a, 5) < 64 else (0, 150)
        ActionChains(a).click_and_hold(fader(a, 5)).move_by_offset(0, step).pause(0.1) \
            .move_by_offset(0, step).release().perform()
        until(a, shows(5, dragged))
        until(b, shows(5, dragged))
        say("dragged", 5, dragged)
        hear()

        # The keyboard moves a focused fader too.
        key, keyed = (Keys.HOME, 0) if value_of(b, 3) == MAX else (Keys.END, MAX)
        fader(b, 3).send_keys(key)
        until(b, shows(3, keyed))
        until(a, shows(3, keyed))
        say("keyed", 3, keyed)
        hear()

        # Control changes from outside move the faders, but not one held: it shows its change
        # once let go. Then a page switch in the main window.
        ActionChains(a).click_and_hold(fader(a, 9)).perform()
        held = value_of(a, 9)
        say("holding", 9, held)
        _, slot, value = hear()
        for d in (a, b):
            until(d, shows(int(slot), int(value)))
        if value_of(a, 9) != held:
            sys.exit("the held fader moved")
        ActionChains(a).release().perform()
        until(a, shows(9, int(value)))
        say("seen", slot, value)
        _, page = hear()
        for d in (a, b):
            until(d, lambda d: d.find_element(By.CSS_SELECTOR, f'[data-page="{page}"]')
                  .get_attribute("aria-pressed") == "true")
        say("page", page)

        # A wrong token is refused.
        parts = urllib.parse.urlsplit(url)
        wrong = urllib.parse.urlunsplit(parts._replace(query="token=" + "0" * 32))
        try:
            status = urllib.request.urlopen(wrong, timeout=WAIT).status
        except urllib.error.HTTPError as refused:
            status = refused.code
        say("status", status)
        hear()
    finally:
        a.quit()
        b.quit()


if __name__ == "__main__":
    main()
